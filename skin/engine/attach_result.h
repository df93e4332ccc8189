#pragma once
// What SkinH_AttachRes answers. 0 is success, also for a call without data, which returns
// the windows to the system's plain look; any other answer leaves the plain look too.
namespace skin::engine {

enum AttachResult : int {
    kAttached = 0,
    kTooShort = 1,
    kNotASkin = 2,
    kUnknownVersion = 3,
    kWrongSize = 4,
    kBadChecksum = 5,
    kBadBody = 6,
    kNoGdiObjects = 7,  // the system would not give us brushes
    kNoHook = 8,        // windows opened later could not be followed
    kFailed = 9,        // out of memory or another fault inside the engine
};

}  // namespace skin::engine
