#pragma once
// The cloud-share services, on their own: the program-wide state keeps the chosen one without
// taking in the resolvers.
namespace qx::resolvers {

// The value is the number the resolver table and the command line know the service by;
// Service{} (0) names none.
enum class Service : int { Lanzou = 1, OneDrive, Bilnn, Ctfile, Yunpan360, Wenshushu };

}  // namespace qx::resolvers
