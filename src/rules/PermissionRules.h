// SPDX-License-Identifier: MIT
#pragma once
// What a site may ask to use, the question the user is asked about it, and the answers given
// during the run, per site (origin).

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quillet {

// One request may ask for several at once (a call: camera and microphone).
enum Permission : unsigned {
    kLocation = 1u << 0,
    kNotifications = 1u << 1,
    kCamera = 1u << 2,
    kMicrophone = 1u << 3,
    kScreen = 1u << 4,
    kClipboardRead = 1u << 5,
};
using Permissions = unsigned; // a set of Permission bits

// "http://example.com:8080 が位置情報の利用を求めています。" and so on.
std::string permissionQuestion(const std::string& origin, Permissions asked);

// The permission a page's permission query names ("geolocation", "camera", ...), if it is one
// the user is asked about.
std::optional<Permission> permissionNamed(std::string_view queryName);

// The user's answers until the program ends.
class PermissionAnswers {
  public:
    // Allowed when every permission asked was allowed for `origin`, denied when any was
    // denied, nothing when the user must be asked.
    std::optional<bool> answer(const std::string& origin, Permissions asked) const;
    void remember(const std::string& origin, Permissions asked, bool allowed);

  private:
    std::map<std::pair<std::string, Permission>, bool> answers_;
};

} // namespace quillet
