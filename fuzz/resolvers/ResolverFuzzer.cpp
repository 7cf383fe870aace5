// One resolver's answer handling: the input is the share link (and after a tab its password),
// then the answers of the steps in order, each "header lines CR LF CR LF body", pieces parted by
// a line "=====". The resolver gets them through its context's exchange instead of the network.
// Built once per service (QX_FUZZ_SERVICE is its key in the resolver table).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "resolvers/ResolverTable.h"
#include "resolvers/Wenshushu.h"

using namespace qx;

namespace {

constexpr std::string_view kSeparator = "\n=====\n";
// No resolver asks more than this many times (Wenshushu: five steps).
constexpr std::size_t kMostRequests = 8;

std::vector<std::string_view> pieces(std::string_view input) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t at = input.find(kSeparator);
        out.push_back(input.substr(0, at));
        if (at == std::string_view::npos) return out;
        input.remove_prefix(at + kSeparator.size());
    }
}

resolvers::ServiceAnswer answerOf(std::string_view piece) {
    resolvers::ServiceAnswer answer;
    const std::size_t end = piece.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        answer.body.assign(piece.begin(), piece.end());
        return answer;
    }
    answer.headers = Text(piece.substr(0, end + 2));
    const std::string_view body = piece.substr(end + 4);
    answer.body.assign(body.begin(), body.end());
    return answer;
}

const resolvers::ResolverDescriptor& fuzzedResolver() {
    for (const resolvers::ResolverDescriptor* d : resolvers::resolverTable())
        if (d->key == QX_FUZZ_SERVICE) return *d;
    std::abort();  // a target built for a key the table does not have
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts = pieces({reinterpret_cast<const char*>(data), size});
    const std::string_view first = parts[0];
    const std::size_t tab = first.find('\t');
    const Text link(first.substr(0, tab));
    const Text password(tab == std::string_view::npos ? std::string_view() : first.substr(tab + 1));

    std::size_t requests = 0;
    resolvers::ResolveContext context;
    context.exchange = [&](const Text&, const Text&) {
        if (++requests > kMostRequests) std::abort();  // a resolver that keeps asking never ends
        return requests < parts.size() ? answerOf(parts[requests]) : resolvers::ServiceAnswer{};
    };
    static const resolvers::ResolverDescriptor& resolver = fuzzedResolver();
    const auto result =
        resolvers::resolveShareLink(static_cast<int>(resolver.service), link, password, context);
    if (!result) std::abort();
    // Wenshushu answers an address or its message, never anything else.
    if (resolver.service == resolvers::Service::Wenshushu &&
        result->text != resolvers::wenshushuFailureText() && result->text.find("http") == Text::npos)
        std::abort();
    if (result->outcome == resolvers::ResolveOutcome::Address && result->text.empty()) std::abort();
    return 0;
}
