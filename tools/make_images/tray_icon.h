// The program's own mark: a customer with a speech bubble on a blue tile. It is the
// exe's icon and the notification-area icon.
#pragma once
#include "tools/make_images/canvas.h"

namespace imagemaker {

inline constexpr int kTrayIconSize = 32;

Canvas draw_tray_icon();

}  // namespace imagemaker
