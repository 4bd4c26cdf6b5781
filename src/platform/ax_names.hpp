#pragma once

#include <string_view>

// The names of the accessibility service's attributes, notifications, roles and actions that
// the system uses: one home for each, so a misspelt name cannot compile and every use can be
// found. Backends answer to exactly these names.
namespace tessarin::AXName {

// Attributes of windows.
inline constexpr std::string_view position = "AXPosition";
inline constexpr std::string_view size = "AXSize";
inline constexpr std::string_view title = "AXTitle";
inline constexpr std::string_view role = "AXRole";
inline constexpr std::string_view subrole = "AXSubrole";
inline constexpr std::string_view minimized = "AXMinimized";
inline constexpr std::string_view fullScreen = "AXFullScreen";
inline constexpr std::string_view main = "AXMain";
inline constexpr std::string_view focused = "AXFocused";
inline constexpr std::string_view parent = "AXParent";
// Attributes of the elements inside a window.
inline constexpr std::string_view children = "AXChildren";
inline constexpr std::string_view window = "AXWindow";
inline constexpr std::string_view description = "AXDescription";
inline constexpr std::string_view roleDescription = "AXRoleDescription";
inline constexpr std::string_view numberOfCharacters = "AXNumberOfCharacters";
inline constexpr std::string_view domIdentifier = "AXDOMIdentifier";
inline constexpr std::string_view domClassList = "AXDOMClassList";
// Attributes of applications.
inline constexpr std::string_view windows = "AXWindows";
inline constexpr std::string_view focusedWindow = "AXFocusedWindow";
inline constexpr std::string_view mainWindow = "AXMainWindow";
inline constexpr std::string_view frontmost = "AXFrontmost";
inline constexpr std::string_view hidden = "AXHidden";
inline constexpr std::string_view enhancedUserInterface = "AXEnhancedUserInterface";
inline constexpr std::string_view manualAccessibility = "AXManualAccessibility";
// Attributes of the system-wide element.
inline constexpr std::string_view focusedApplication = "AXFocusedApplication";

// Roles and subroles.
inline constexpr std::string_view windowRole = "AXWindow";
inline constexpr std::string_view applicationRole = "AXApplication";
inline constexpr std::string_view systemWideRole = "AXSystemWide";
inline constexpr std::string_view standardWindow = "AXStandardWindow";

// Actions.
inline constexpr std::string_view raise = "AXRaise";

// Notifications.
inline constexpr std::string_view windowCreated = "AXWindowCreated";
inline constexpr std::string_view focusedWindowChanged = "AXFocusedWindowChanged";
inline constexpr std::string_view elementDestroyed = "AXUIElementDestroyed";
inline constexpr std::string_view windowMoved = "AXWindowMoved";
inline constexpr std::string_view windowResized = "AXWindowResized";
inline constexpr std::string_view windowMiniaturized = "AXWindowMiniaturized";
inline constexpr std::string_view windowDeminiaturized = "AXWindowDeminiaturized";

}  // namespace tessarin::AXName
