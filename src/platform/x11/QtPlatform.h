#pragma once
// Qt's side of X11: the platform plugin the palette runs on.

namespace x11 {

// The name Qt gives its X11 platform plugin (QGuiApplication::platformName()).
inline constexpr char QtPlatformName[] = "xcb";

// Before the application object is made: Qt runs on X11 (in a Wayland session on
// XWayland, like the rest of Runebox), without the GL integration the palette does not
// draw with. A choice the user made in the environment stays.
void chooseQtPlatform();

} // namespace x11
