#pragma once
// The pieces every answer of the web server is made of, and what it reads of a request,
// on libmicrohttpd.

#include <microhttpd.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "core/Handle.h"

namespace tavelin {

void DestroyResponse(MHD_Response* response);
using ResponsePtr = Handle<MHD_Response, DestroyResponse>;

// Text the library allocated for us (a user name, a password).
void FreeLibraryText(char* text);
using LibraryText = Handle<char, FreeLibraryText>;

// What every answer carries: not cached, not sniffed, not framed, nothing from elsewhere.
void AddPageHeaders(MHD_Response* response);

// Queues `body` (copied) with the page headers, its type and `extra` headers.
MHD_Result QueueAnswer(MHD_Connection* connection, unsigned status, std::string_view body,
                       const char* type,
                       std::initializer_list<std::pair<const char*, std::string>> extra = {});
MHD_Result QueueText(MHD_Connection* connection, unsigned status, std::string_view text);

// A request header's value; empty when absent.
std::string_view RequestHeader(MHD_Connection* connection, const char* name);
// The client's address as text ("127.0.0.1", "::1").
std::string ClientAddress(MHD_Connection* connection);
// Who the client is for the slowing down of wrong passwords: its IPv4 address (also when
// it comes mapped into IPv6), or its IPv6 /64, which one household or host usually has
// whole.
std::string ClientNetwork(MHD_Connection* connection);
// What may be logged of text from the network: printable ASCII, at most 64 characters.
std::string Printable(std::string_view text);

}  // namespace tavelin
