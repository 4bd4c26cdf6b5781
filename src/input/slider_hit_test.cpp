#include "input/slider_hit_test.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <deque>
#include <utility>

#include "engine/log_text.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"
#include "system/web_accessibility.hpp"

namespace tessarin::SliderHitTest {

namespace {

// Every call on the application under the pointer waits at most this long: the swipe waits
// for the answer no longer.
constexpr double kMessagingTimeout = 0.2;
constexpr int kMaxAncestors = 8;
constexpr int kMaxDescendants = 80;
constexpr std::size_t kMaxChildrenPerNode = 12;
constexpr int kMaxQueuedDepth = 2;
// Windows at this layer and above are menus, the Dock and other overlays.
constexpr std::int64_t kOverlayLayer = 20;
// A video's picture: at least this big, of a shape between tall portrait and wide cinema.
constexpr double kMinVideoWidth = 200;
constexpr double kMinVideoHeight = 110;
constexpr double kMinAspect = 0.4;
constexpr double kMaxAspect = 2.8;
// A frame this close to the window's size is the page itself, not a video on it.
constexpr double kWindowWidthShare = 0.9;
constexpr double kWindowHeightShare = 0.8;
// A seek bar spans at least this share of its player's width.
constexpr double kSeekBarWidthShare = 0.4;
constexpr std::size_t kDescribeLevels = 12;
constexpr std::size_t kDescribeClassChars = 70;
constexpr std::size_t kDescribeLabelChars = 30;

constexpr std::string_view kGroupRole = "AXGroup";
constexpr std::string_view kUnknownRole = "AXUnknown";
constexpr std::string_view kWebAreaRole = "AXWebArea";
constexpr std::string_view kScrollAreaRole = "AXScrollArea";
constexpr std::string_view kVideoRoleDescription = "video";
constexpr std::string_view kPlayerID = "movie_player";
constexpr std::string_view kPlayerClassPrefix = "ytp-";
constexpr std::array<std::string_view, 2> kPlayerLabels = {"video player", "embedded video"};

// The attributes of a node, read in one call in this order.
enum Field {
    roleField,
    positionField,
    sizeField,
    childrenField,
    charactersField,
    titleField,
    descriptionField,
    roleDescriptionField,
    domIDField,
    classesField,
    parentField,
};

const std::vector<std::string>& nodeAttributes() {
    static const std::vector<std::string> names{
        std::string(AXName::role),
        std::string(AXName::position),
        std::string(AXName::size),
        std::string(AXName::children),
        std::string(AXName::numberOfCharacters),
        std::string(AXName::title),
        std::string(AXName::description),
        std::string(AXName::roleDescription),
        std::string(AXName::domIdentifier),
        std::string(AXName::domClassList),
        std::string(AXName::parent),
    };
    return names;
}

template <typename T>
const T* field(const std::vector<std::optional<AXValue>>& values, Field which) {
    if (static_cast<std::size_t>(which) >= values.size() || !values[which]) return nullptr;
    return std::get_if<T>(&*values[which]);
}

std::string text(const std::vector<std::optional<AXValue>>& values, Field which) {
    const std::string* value = field<std::string>(values, which);
    return value ? *value : std::string();
}

std::string lowered(std::string value) {
    for (char& c : value)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return value;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Big enough and shaped like a video, under the point, and not the whole window.
bool videoShaped(const std::optional<Rect>& frame, Point point, const std::optional<Rect>& window) {
    if (!frame || frame->width < kMinVideoWidth || frame->height < kMinVideoHeight) return false;
    const double aspect = frame->width / frame->height;
    if (aspect < kMinAspect || aspect > kMaxAspect || !frame->contains(point)) return false;
    return !window || window->width <= 0 || window->height <= 0 ||
           frame->width < kWindowWidthShare * window->width ||
           frame->height < kWindowHeightShare * window->height;
}

std::optional<Rect> windowFrame(Accessibility& ax, const AXElement& element) {
    const std::optional<AXElement> window = AX::element(ax, element, AXName::window);
    if (!window) return std::nullopt;
    const std::optional<Point> origin = AX::position(ax, *window);
    const std::optional<Size> size = origin ? AX::size(ax, *window) : std::nullopt;
    if (!size) return std::nullopt;
    return Rect{origin->x, origin->y, size->width, size->height};
}

// A likely player container's descendants, breadth first, for a bare video surface under a
// control layer or a seek bar along its lower half. `budget` counts reads left for the whole
// probe; none when it runs out.
std::optional<std::string> searchContainer(Accessibility& ax, const Node& container, Point point,
                                           const std::optional<Rect>& window, int& budget,
                                           bool& exhausted) {
    std::deque<std::pair<AXElement, int>> queue;
    auto enqueue = [&queue](const std::vector<AXElement>& children, int depth) {
        const std::size_t count = std::min(children.size(), kMaxChildrenPerNode);
        for (std::size_t i = 0; i < count; ++i)
            queue.emplace_back(children[i], depth);
    };
    enqueue(container.children, 1);
    while (!queue.empty()) {
        const auto [element, depth] = queue.front();
        queue.pop_front();
        if (budget <= 0) {
            exhausted = true;
            return std::nullopt;
        }
        --budget;
        const Node node = readNode(ax, element);
        if (isVideoSurface(node, point, window)) return "video picture behind an overlay";
        if (sliderRoles().count(node.role) && node.frame &&
            node.frame->width >= kSeekBarWidthShare * container.frame->width &&
            node.frame->midY() > container.frame->midY()) {
            return "player with a seek bar";
        }
        if (depth <= kMaxQueuedDepth) enqueue(node.children, depth + 1);
    }
    return std::nullopt;
}

}  // namespace

const std::set<std::string, std::less<>>& sliderRoles() {
    static const std::set<std::string, std::less<>> roles{"AXSlider", "AXScrollBar",
                                                          "AXValueIndicator", "AXIncrementor"};
    return roles;
}

const std::set<std::string, std::less<>>& stopRoles() {
    static const std::set<std::string, std::less<>> roles{"AXWebArea", "AXWindow", "AXScrollArea",
                                                          "AXApplication", "AXSplitGroup"};
    return roles;
}

const std::set<std::string, std::less<>>& playerClasses() {
    static const std::set<std::string, std::less<>> classes{
        "html5-video-player",
        "html5-main-video",
        "html5-video-container",
        "video-stream",
        "video-js",
        "vjs-tech",
        "jwplayer",
        "jw-media",
        "plyr",
        "plyr__video-wrapper",
        "vp-video-wrapper",
        "vp-video",
        "shaka-video-container",
        "watch-video",
        "VideoContainer",
    };
    return classes;
}

Node readNode(Accessibility& ax, const AXElement& element) {
    Node node;
    node.element = element;
    std::vector<std::optional<AXValue>> values;
    if (ax.copyAttributes(element, nodeAttributes(), values) != AXError::success) return node;
    node.role = text(values, roleField);
    const Point* origin = field<Point>(values, positionField);
    const Size* size = field<Size>(values, sizeField);
    if (origin && size) node.frame = Rect{origin->x, origin->y, size->width, size->height};
    if (const auto* children = field<std::vector<AXElement>>(values, childrenField)) {
        node.children = *children;
    }
    if (const double* count = field<double>(values, charactersField)) {
        node.characters = static_cast<std::int64_t>(*count);
    }
    node.label = lowered(text(values, titleField) + " " + text(values, descriptionField));
    node.roleDescription = lowered(text(values, roleDescriptionField));
    node.domID = text(values, domIDField);
    if (const auto* classes = field<std::vector<std::string>>(values, classesField)) {
        node.classes = *classes;
    }
    if (const AXElement* parent = field<AXElement>(values, parentField)) node.parent = *parent;
    return node;
}

bool hasPlayerLabel(const Node& node) {
    if (node.roleDescription == kVideoRoleDescription || node.domID == kPlayerID) return true;
    for (std::string_view label : kPlayerLabels) {
        if (contains(node.label, label)) return true;
    }
    return std::any_of(node.classes.begin(), node.classes.end(), [](const std::string& name) {
        return playerClasses().count(name) > 0 || name.rfind(kPlayerClassPrefix, 0) == 0;
    });
}

bool isVideoSurface(const Node& node, Point point, const std::optional<Rect>& window) {
    return (node.role == kGroupRole || node.role == kUnknownRole) && node.children.empty() &&
           node.characters == 0 && videoShaped(node.frame, point, window);
}

std::optional<Pid> appUnder(const Services& services, Point point) {
    const auto windows = services.windowServer.windowList(true);
    if (!windows) return std::nullopt;
    for (const WindowInfo& window : *windows) {
        if (!window.bounds || !window.bounds->contains(point)) continue;
        if (!window.ownerPid || (window.alpha && !(*window.alpha > 0))) continue;
        const std::int64_t layer = window.layer.value_or(0);
        if (window.ownerPid != services.ownPid) {
            if (layer < kOverlayLayer) return *window.ownerPid;
            continue;
        }
        if (layer == 0) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<AXElement> element(const Services& services, Point point) {
    const std::optional<Pid> pid = appUnder(services, point);
    if (!pid) return std::nullopt;
    Accessibility& ax = services.ax;
    const AXElement app = ax.application(*pid);
    ax.setMessagingTimeout(app, kMessagingTimeout);
    AXElement found;
    if (ax.elementAtPosition(app, point, found) != AXError::success) return std::nullopt;
    const std::optional<std::string> role = AX::string(ax, found, AXName::role);
    // A page whose contents the browser keeps to itself until asked: ask, then look again.
    if (services.web && role && (*role == kWebAreaRole || *role == kScrollAreaRole) &&
        services.web->isBrowser(*pid)) {
        services.web->ensure(*pid);
        if (ax.elementAtPosition(app, point, found) != AXError::success) return std::nullopt;
    }
    return found;
}

std::optional<std::string> classify(const Services& services, Point point) {
    const std::optional<AXElement> hit = element(services, point);
    if (!hit) return std::nullopt;
    Accessibility& ax = services.ax;
    const std::optional<Rect> window = windowFrame(ax, *hit);

    std::vector<Node> ancestors;
    std::optional<AXElement> next = hit;
    for (int level = 0; level < kMaxAncestors && next; ++level) {
        Node node = readNode(ax, *next);
        if (stopRoles().count(node.role)) break;
        if (sliderRoles().count(node.role)) return "slider (" + node.role + ")";
        if (hasPlayerLabel(node)) return "known video player";
        if (isVideoSurface(node, point, window)) return "video picture";
        next = node.parent;
        ancestors.push_back(std::move(node));
    }

    // Players that carry no label: a container of a video's shape around the hit element
    // holding a bare surface or a seek bar.
    int budget = kMaxDescendants;
    bool exhausted = false;
    for (std::size_t i = 1; i < ancestors.size(); ++i) {
        const Node& container = ancestors[i];
        if (!videoShaped(container.frame, point, window)) continue;
        auto reason = searchContainer(ax, container, point, window, budget, exhausted);
        if (reason || exhausted) return reason;
    }
    return std::nullopt;
}

std::string describe(const Services& services, Point point) {
    const std::optional<AXElement> hit = element(services, point);
    if (!hit) return "no element";
    const std::optional<std::string> reason = classify(services, point);
    std::string lines = "→ " + reason.value_or("not a slider or player");
    std::optional<AXElement> next = hit;
    for (std::size_t level = 0; level < kDescribeLevels && next; ++level) {
        const Node node = readNode(services.ax, *next);
        lines += "\n  " + std::to_string(level) + ": " + node.role + " " +
                 (node.frame ? LogText::wholeFrame(*node.frame) : "?") +
                 " children=" + std::to_string(node.children.size()) +
                 " chars=" + std::to_string(node.characters);
        if (!node.roleDescription.empty()) lines += " desc=" + node.roleDescription;
        if (!node.domID.empty()) lines += " id=" + node.domID;
        if (!node.classes.empty()) {
            std::string joined;
            for (const std::string& name : node.classes)
                joined += (joined.empty() ? "" : " ") + name;
            lines += " class=" + LogText::prefix(joined, kDescribeClassChars);
        }
        if (node.label.find_first_not_of(' ') != std::string::npos) {
            lines += " label=" + LogText::prefix(node.label, kDescribeLabelChars);
        }
        next = node.parent;
    }
    return lines;
}

}  // namespace tessarin::SliderHitTest
