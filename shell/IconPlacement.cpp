#include "shell/IconPlacement.h"

namespace {

int32_t Offset(int32_t client, int32_t icon) {
  // 64 bits so that no pair of pixel values overflows; C++ division
  // truncates toward zero.
  return static_cast<int32_t>((int64_t{client} - icon + 1) / 2);
}

}  // namespace

LayoutPoint MinimisedIconPosition(int32_t clientWidth, int32_t clientHeight, int32_t iconWidth, int32_t iconHeight) {
  return {Offset(clientWidth, iconWidth), Offset(clientHeight, iconHeight)};
}
