// Paths (with queries) that follow the web server's host in the web addresses.
#pragma once

#include <string_view>

namespace ovix::config {

inline constexpr std::u16string_view kWebScheme = u"http://";

inline constexpr std::u16string_view kWelcomePath = u"/ovixweb/Welcome.do";
// The caller appends the password or the account id to the next three.
inline constexpr std::u16string_view kBindingPath =
    u"/Binding/login.html?command=binding&password=";
inline constexpr std::u16string_view kTelBookPath =
    u"/Telephone/login.html?command=telbook&ovixid=";
inline constexpr std::u16string_view kCardWebPath = u"/CardWeb/index.do?ovixid=";
inline constexpr std::u16string_view kRegisterPath = u"/ovixweb/NewRegister.do";
// Handed out bare, without scheme or host, the same for every region.
inline constexpr std::u16string_view kRegisterEndPath = u"/ovixweb/register/End.jsp";
inline constexpr std::u16string_view kVoipOrderPath = u"/Binding/createvoiporder.html";
inline constexpr std::u16string_view kHelpPath = u"/HelpForOvix.html";

}  // namespace ovix::config
