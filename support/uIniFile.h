// The one door to INI files: reads of any length and writes that flush the profile cache first.
#pragma once
#include <string>

#include "platform/Profile.h"

namespace orvane {

std::string ReadIni(IProfile& profile, const std::string& section, const std::string& key,
                    const std::string& defaultValue, const std::string& path);
bool WriteIni(IProfile& profile, const std::string& section, const std::string& key,
              const std::string& value, const std::string& path);

}  // namespace orvane
