#pragma once
// Taking a URL apart into host, port and path, and the small text-cutting helpers that do it.
//
// All of these are pure functions over program text. They read "https://host[:port]/path" and
// "http://host[:port]/path"; a URL without a scheme is read as plain http. IPv6 literals and user
// information before the host are not understood.

#include <string_view>

#include "encoding/TextBuffer.h"

namespace velmora {

// The host in lower case; with keepPort, followed by ":port" when the URL gives one. The host is
// everything between the scheme and the next "/", so a query that follows the host without a "/"
// becomes part of it.
TextBuffer GetUrlHost(std::string_view url, bool keepPort);

// The URL's port; 443 for an https URL without one, 80 otherwise, 0 for a colon without digits.
int GetUrlPort(std::string_view url);

// The path with its query and fragment, in its own case; "/" when the URL has none.
TextBuffer GetUrlPath(std::string_view url);

// True when the URL names the https scheme, in any case.
bool IsHttpsUrl(std::string_view url);

// The text between the first startMarker and the next endMarker after it, or the empty text.
// "#引号" (in the program's code page) in either marker stands for a double quote.
TextBuffer TextBetween(std::string_view text, std::string_view startMarker,
                       std::string_view endMarker);

// The text before the first separator, or the empty text when there is none.
TextBuffer TextLeftOf(std::string_view text, std::string_view separator);

// The text after the last separator, or the empty text when there is none.
TextBuffer TextRightOf(std::string_view text, std::string_view separator);

}  // namespace velmora
