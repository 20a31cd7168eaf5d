// The settings a first start begins with, when there is no settings file yet: values a user can
// start drawing with at once, stored in the types the program itself stores them in.
#pragma once

#include "core/settings/Settings.h"

namespace velmor {

Settings FreshSettings();

}  // namespace velmor
