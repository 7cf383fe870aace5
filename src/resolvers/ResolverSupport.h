#pragma once
// Pieces every resolver uses: the request record with the resolvers' limits, and the link splitter.
#include <string_view>

#include "core/Text.h"
#include "net/HttpRequest.h"
#include "resolvers/ResolveContext.h"

namespace qx::script {
class JsonObject;
}

namespace qx::resolvers {

// A fresh request record with the document limits of a resolver answer, the caller's stop token
// and the server's certificate verified: the address a resolver ends with is what the user
// downloads.
net::HttpRequestOptions resolverRequest(const ResolveContext& context);

// One request of a resolver: through the context's exchange when it has one, else the scripted
// request object (the body) or the native client (the body as GBK text). The out-fields a
// resolver reads (responseHeaders) are filled either way.
ByteArray objectRequest(net::HttpRequestOptions& options, const ResolveContext& context);
Text nativeRequest(net::HttpRequestOptions& options, const ResolveContext& context);

// The value of the first header line of that name (any letter case) in a block of header lines.
Text answerHeader(std::string_view headers, std::string_view name);

// The link split at "/": empty pieces between two separators stay, a final separator adds no
// empty piece, and an empty link has no piece at all.
TextArray splitLinkPieces(std::string_view link);

// Piece `index` counted from the end (1 = the last); empty text when there are fewer pieces.
Text pieceFromEnd(const TextArray& pieces, std::size_t index);

// A value for a query or a form body: its UTF-8 bytes, all but letters, digits and "-._~"
// as "%XX", so that "&", "#", "+", "%" or a space in it cannot end or change it.
Text formValue(std::string_view value);

// A value for the inside of a JSON string: the quote, the backslash and control characters escaped. The
// value is GBK, whose second bytes may be 0x5C: those stay as they are.
Text jsonStringValue(std::string_view value);

// Whether a server's value may go into a request header line: no CR, LF or zero byte in it.
bool fitsHeaderLine(std::string_view value);

// The address a service answers at the path, or empty text when that member is no string: an
// object or a list there would come out as "[object Object]" or "a,b", which is no address.
Text addressMember(script::JsonObject& json, const Text& path);

}  // namespace qx::resolvers
