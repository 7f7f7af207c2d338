#include "platform/platform.h"

namespace railfmt::platform {

TestHooks& Hooks() {
  static TestHooks hooks;
  return hooks;
}

}  // namespace railfmt::platform
