// SPDX-License-Identifier: MIT
#include "PermissionRules.h"

#include <array>

namespace quillet {
namespace {

constexpr std::array kEveryPermission{kLocation,   kNotifications, kCamera,
                                      kMicrophone, kScreen,        kClipboardRead};

// What the site wants to do, as the question names it.
std::string wanted(Permissions asked) {
    if (asked & kScreen)
        return "画面の共有";
    if ((asked & kCamera) && (asked & kMicrophone))
        return "カメラとマイクの使用";
    if (asked & kCamera)
        return "カメラの使用";
    if (asked & kMicrophone)
        return "マイクの使用";
    if (asked & kLocation)
        return "位置情報の利用";
    if (asked & kNotifications)
        return "通知の表示";
    return "クリップボードの読み取り";
}

} // namespace

std::string permissionQuestion(const std::string& origin, Permissions asked) {
    return origin + " が" + wanted(asked) + "を求めています。";
}

std::optional<Permission> permissionNamed(std::string_view queryName) {
    if (queryName == "geolocation")
        return kLocation;
    if (queryName == "notifications")
        return kNotifications;
    if (queryName == "camera")
        return kCamera;
    if (queryName == "microphone")
        return kMicrophone;
    if (queryName == "display-capture")
        return kScreen;
    if (queryName == "clipboard-read")
        return kClipboardRead;
    return std::nullopt;
}

std::optional<bool> PermissionAnswers::answer(const std::string& origin, Permissions asked) const {
    bool everyOneAllowed = asked != 0;
    for (Permission permission : kEveryPermission) {
        if (!(asked & permission))
            continue;
        const auto found = answers_.find({origin, permission});
        if (found == answers_.end())
            everyOneAllowed = false;
        else if (!found->second)
            return false;
    }
    return everyOneAllowed ? std::optional(true) : std::nullopt;
}

void PermissionAnswers::remember(const std::string& origin, Permissions asked, bool allowed) {
    for (Permission permission : kEveryPermission)
        if (asked & permission)
            answers_[{origin, permission}] = allowed;
}

} // namespace quillet
