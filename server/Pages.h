// The server's own pages (the fleet, errors): plain HTML5 with inline
// styles and no script, every value written as text. Report pages are the
// component's and never pass through here.
#pragma once

#include <httplib.h>

#include <string>

#include "host/FleetList.h"

// `text` with & < > " ' as entities and control bytes dropped: safe as
// element text and as a quoted attribute value.
std::string EscapeHtml(const std::string& text);

// `text` for a URL's query: everything but letters, digits and -._~ as %XX.
std::string EncodeQueryValue(const std::string& text);

// A whole page: `title` (text) in <title> and <h1>, then `body` (HTML).
std::string HtmlPage(const std::string& title, const std::string& body);

// Sets the response to `html` (made valid UTF-8) with its status.
void SendHtmlPage(httplib::Response& res, int status, const std::string& html);

// The error page: the status, `title` and `detail` as text.
void SendErrorPage(httplib::Response& res, int status, const std::string& title,
                   const std::string& detail);

// The fleet page for one page of the list: the search box, the headings
// that sort (each link turns the order round when it is the current one),
// the rows with links to /pc/ID, and links to the pages before and after.
std::string FleetPageHtml(const FleetQuery& query, const FleetPage& page,
                          const std::string& company);
