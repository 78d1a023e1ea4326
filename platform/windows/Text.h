#pragma once

#include <string>
#include <string_view>

// The logic's texts are UTF-8; the system's, since every call is a wide one,
// UTF-16. These two are the one crossing between them, for the system back
// end and the native views alike. Any bytes go there and back unchanged: a
// byte that is not UTF-8 crosses as a lone surrogate of its own.
namespace platform::windows {

std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view wide);

}  // namespace platform::windows
