#pragma once

#include "MessageBox.h"

#include <string>

// What messageBox and shellOpen do when no test handler stands in: each build
// links one of these, on Qt, on the Windows shell or on the console.
namespace platform::backend {

void showBox(const BoxCall& call);
void openUrl(const std::string& url);

}  // namespace platform::backend
