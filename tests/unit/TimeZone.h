// SPDX-License-Identifier: MIT
#pragma once
// The local time zone set to one whose clocks change, for the length of this object.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class TimeZone {
  public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

  private:
    std::optional<std::string> old_;
};
