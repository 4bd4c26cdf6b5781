#include "backends/x11/x11_desktop.hpp"

#include <xcb/randr.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

#include "backends/x11/x11_accessibility.hpp"
#include "backends/x11/x11_hot_keys.hpp"
#include "backends/x11/x11_input_events.hpp"
#include "backends/x11/x11_keyboard_layout.hpp"
#include "backends/x11/x11_services.hpp"
#include "backends/x11/x11_setup_check.hpp"
#include "base/log.hpp"

namespace tessarin::x11 {

namespace {

constexpr std::uint32_t kClientEvents =
    XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_FOCUS_CHANGE;
constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kNormalState = 1;
// EWMH: the request comes from a pager or similar tool, acting for the user.
constexpr std::uint32_t kSourcePager = 2;
// Titles are read this far: nobody needs more of one.
constexpr std::uint32_t kTitleBytes = 4096;
// WM_NORMAL_HINTS: the minimum size is set.
constexpr std::uint32_t kMinSizeFlag = 1 << 4;

bool contains(const std::vector<std::uint32_t>& items, xcb_atom_t atom) {
    return std::find(items.begin(), items.end(), atom) != items.end();
}

Rect intersection(const Rect& a, const Rect& b) {
    const double x = std::max(a.minX(), b.minX());
    const double y = std::max(a.minY(), b.minY());
    const double right = std::min(a.maxX(), b.maxX());
    const double bottom = std::min(a.maxY(), b.maxY());
    if (right <= x || bottom <= y) return {};
    return {x, y, right - x, bottom - y};
}

// A stable identity from the EDID's vendor, product, serial and name descriptor, shaped like
// the UUIDs of other systems. Two FNV-1a hashes give 128 bits.
std::string edidIdentity(const std::string& edid) {
    std::string key = edid.substr(8, 10);
    const bool noSerial = edid.size() >= 16 && edid.substr(12, 4) == std::string(4, '\0');
    for (std::size_t block = 54; noSerial && block + 18 <= edid.size() && block < 126;
         block += 18) {
        if (edid[block] == 0 && edid[block + 1] == 0 &&
            static_cast<unsigned char>(edid[block + 3]) == 0xFC) {
            key += edid.substr(block + 5, 13);
        }
    }
    auto fnv = [&](std::uint64_t hash) {
        for (unsigned char c : key)
            hash = (hash ^ c) * 0x100000001b3ULL;
        return hash;
    };
    const std::uint64_t high = fnv(0xcbf29ce484222325ULL);
    const std::uint64_t low = fnv(0x84222325cbf29ce4ULL);
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text;
}

std::string edidName(const std::string& edid) {
    for (std::size_t block = 54; block + 18 <= edid.size() && block < 126; block += 18) {
        if (edid[block] == 0 && edid[block + 1] == 0 &&
            static_cast<unsigned char>(edid[block + 3]) == 0xFC) {
            std::string name = edid.substr(block + 5, 13);
            name = name.substr(0, name.find('\n'));
            while (!name.empty() && name.back() == ' ')
                name.pop_back();
            return cleanText(name, 64);
        }
    }
    return {};
}

}  // namespace

std::unique_ptr<X11Desktop> X11Desktop::open(const std::string& display, MainLoop& loop,
                                             std::string& error) {
    auto conn = Connection::open(display, error);
    if (!conn) return nullptr;
    std::unique_ptr<X11Desktop> desktop(new X11Desktop(std::move(conn), loop));
    desktop->display_ = display;
    desktop->keyboardLayout_ = std::make_unique<X11KeyboardLayout>(display);
    X11Desktop* self = desktop.get();
    desktop->watch_ = loop.watchReadable(desktop->conn_->fd(), [self] { self->pump(); });
    if (!desktop->watch_) {
        error = "the main loop cannot watch the X connection";
        return nullptr;
    }
    return desktop;
}

X11Desktop::X11Desktop(std::unique_ptr<Connection> conn, MainLoop& loop)
    : conn_(std::move(conn)), loop_(loop) {
    accessibility_ = std::make_unique<X11Accessibility>(*this);
    windowServer_ = std::make_unique<X11WindowServer>(*this);
    screens_ = std::make_unique<X11Screens>(*this);
    pointer_ = std::make_unique<X11Pointer>(*this);
    workspace_ = std::make_unique<X11Workspace>(*this);
    clock_ = std::make_unique<X11Clock>(loop_);
    inputEvents_ = std::make_unique<X11InputEvents>(*this);
    hotKeys_ = std::make_unique<X11HotKeys>(*this);
    setupCheck_ = std::make_unique<X11SetupCheck>(*this);

    xcb_connection_t* c = conn_->raw();
    const std::uint32_t rootEvents =
        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, conn_->root(), XCB_CW_EVENT_MASK, &rootEvents);
    if (conn_->hasRandr()) {
        xcb_randr_select_input(c, conn_->root(),
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE);
    }
    detectWindowManager();
    rescan();
    readMonitors();
    refreshActive();
    conn_->flush();
}

X11Desktop::~X11Desktop() {
    if (watch_) loop_.unwatch(watch_);
}

Platform X11Desktop::platform(QueueFactory& queues) {
    return Platform{*accessibility_, *windowServer_, *screens_,     *pointer_, *workspace_, loop_,
                    queues,          *clock_,        *inputEvents_, *hotKeys_, *setupCheck_};
}

const KeyboardLayout& X11Desktop::keyboardLayout() const {
    return *keyboardLayout_;
}

bool X11Desktop::windowManagerRunning() const {
    std::lock_guard lock(mutex_);
    return wm_;
}

void X11Desktop::nudge() {
    if (!pumpPosted_.exchange(true)) loop_.post([this] { pump(); });
}

// --- events

void X11Desktop::pump() {
    pumpPosted_ = false;
    if (lost_) return;
    auto talking = talk();
    // Our own requests below may pull further events off the socket; look until none is left.
    for (int round = 0; round < 64; ++round) {
        bool any = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(conn_->raw())) {
            Reply<xcb_generic_event_t> owned(event);
            handle(event);
            any = true;
        }
        if (!conn_->alive()) {
            lost_ = true;
            loop_.unwatch(watch_);
            watch_ = 0;
            Log::info("lost the connection to the X server");
            if (onConnectionLost) onConnectionLost();
            return;
        }
        if (!any && !rescanNeeded_ && frameDirty_.empty() && stateDirty_.empty() &&
            titleDirty_.empty() && !activeDirty_ && !screensDirty_ && !spaceChanged_) {
            return;
        }
        applyChanges();
    }
}

std::optional<xcb_window_t> X11Desktop::clientOf(xcb_window_t any) const {
    std::lock_guard lock(mutex_);
    if (clients_.count(any)) return any;
    if (auto found = byTopLevel_.find(any); found != byTopLevel_.end()) return found->second;
    return std::nullopt;
}

void X11Desktop::handle(const xcb_generic_event_t* event) {
    const std::uint8_t type = event->response_type & 0x7F;
    if (conn_->hasRandr() && (type == conn_->randrEvent() + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                              type == conn_->randrEvent() + XCB_RANDR_NOTIFY)) {
        screensDirty_ = true;
        return;
    }
    switch (type) {
        case XCB_CONFIGURE_NOTIFY: {
            auto e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            if (auto found = clientOf(e->window)) frameDirty_.insert(*found);
            break;
        }
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY: {
            // Both events share their layout up to the window.
            auto e = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (auto found = clientOf(e->window)) stateDirty_.insert(*found);
            rescanNeeded_ = true;
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            auto e = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if (e->window == wmCheck_) detectWindowManager();
            rescanNeeded_ = true;
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            auto e = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
            if (auto found = clientOf(e->window)) frameDirty_.insert(*found);
            rescanNeeded_ = true;
            break;
        }
        case XCB_FOCUS_IN:
            activeDirty_ = true;
            break;
        case XCB_KEY_PRESS:
            hotKeys_->keyPressed(*reinterpret_cast<const xcb_key_press_event_t*>(event));
            break;
        case XCB_MAPPING_NOTIFY: {
            // XCB hands out its own copy; the key symbols' refresh wants it writable.
            auto mapping = *reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
            hotKeys_->mappingChanged(mapping);
            keyboardLayout_->mappingChanged();
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            auto e = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            const xcb_atom_t atom = e->atom;
            if (e->window == conn_->root()) {
                if (atom == conn_->atom(Atom::NET_CLIENT_LIST)) rescanNeeded_ = true;
                if (atom == conn_->atom(Atom::NET_ACTIVE_WINDOW)) activeDirty_ = true;
                if (atom == conn_->atom(Atom::NET_CURRENT_DESKTOP)) spaceChanged_ = true;
                if (atom == conn_->atom(Atom::NET_WORKAREA)) screensDirty_ = true;
                if (atom == conn_->atom(Atom::NET_SUPPORTING_WM_CHECK)) {
                    detectWindowManager();
                    rescanNeeded_ = true;
                }
                break;
            }
            auto found = clientOf(e->window);
            if (!found) break;
            if (atom == conn_->atom(Atom::WM_STATE) || atom == conn_->atom(Atom::NET_WM_STATE)) {
                stateDirty_.insert(*found);
                // Without a manager, a window leaving the iconic state may be withdrawn.
                rescanNeeded_ = true;
            } else if (atom == conn_->atom(Atom::NET_WM_NAME) || atom == XCB_ATOM_WM_NAME) {
                titleDirty_.insert(*found);
            } else if (atom == conn_->atom(Atom::NET_FRAME_EXTENTS)) {
                frameDirty_.insert(*found);
            } else if (atom == conn_->atom(Atom::NET_WM_STRUT) ||
                       atom == conn_->atom(Atom::NET_WM_STRUT_PARTIAL)) {
                screensDirty_ = true;
            }
            break;
        }
        default:
            break;  // errors of requests nobody checked, and events we did not ask for
    }
}

void X11Desktop::applyChanges() {
    if (rescanNeeded_) {
        rescanNeeded_ = false;
        rescan();
    }
    auto frames = std::exchange(frameDirty_, {});
    for (xcb_window_t window : frames)
        refreshFrame(window);
    auto states = std::exchange(stateDirty_, {});
    for (xcb_window_t window : states)
        refreshIconic(window);
    auto titles = std::exchange(titleDirty_, {});
    for (xcb_window_t window : titles)
        refreshTitle(window);
    if (std::exchange(activeDirty_, false)) refreshActive();
    if (std::exchange(screensDirty_, false)) {
        readMonitors();
        emit(WorkspaceEvent::screenParametersDidChange, std::nullopt);
    }
    if (std::exchange(spaceChanged_, false))
        emit(WorkspaceEvent::activeSpaceDidChange, std::nullopt);
}

// --- the model

void X11Desktop::detectWindowManager() {
    bool found = false;
    xcb_window_t check = 0;
    if (auto pointed = conn_->cardinal(conn_->root(), Atom::NET_SUPPORTING_WM_CHECK)) {
        // After a manager dies the root may still name its window: it must name itself.
        check = *pointed;
        found = check != 0 && conn_->cardinal(check, Atom::NET_SUPPORTING_WM_CHECK) == check;
    }
    if (found && check != wmCheck_) {
        const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn_->raw(), check, XCB_CW_EVENT_MASK, &events);
    }
    wmCheck_ = found ? check : 0;
    bool changed;
    {
        std::lock_guard lock(mutex_);
        changed = wm_ != found;
        wm_ = found;
    }
    if (changed) {
        Log::info(found ? "a window manager runs: windows are moved through it"
                        : "no window manager runs: windows are moved directly");
    }
}

std::set<xcb_window_t> X11Desktop::currentClients() {
    std::set<xcb_window_t> result;
    xcb_connection_t* c = conn_->raw();
    if (windowManagerRunning()) {
        for (std::uint32_t window : conn_->cardinals(conn_->root(), Atom::NET_CLIENT_LIST))
            result.insert(window);
        return result;
    }
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, conn_->root()), nullptr));
    if (!tree) return result;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_property_cookie_t> states;
    for (int i = 0; i < count; ++i) {
        attributes.push_back(xcb_get_window_attributes(c, children[i]));
        states.push_back(
            xcb_get_property(c, 0, children[i], conn_->atom(Atom::WM_STATE), XCB_ATOM_ANY, 0, 1));
    }
    for (int i = 0; i < count; ++i) {
        Reply<xcb_get_window_attributes_reply_t> attr(
            xcb_get_window_attributes_reply(c, attributes[i], nullptr));
        Reply<xcb_get_property_reply_t> state(xcb_get_property_reply(c, states[i], nullptr));
        if (!attr || attr->override_redirect || attr->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT) {
            continue;
        }
        bool iconic =
            state && state->format == 32 && xcb_get_property_value_length(state.get()) >= 4 &&
            *static_cast<const std::uint32_t*>(xcb_get_property_value(state.get())) == kIconicState;
        if (attr->map_state == XCB_MAP_STATE_VIEWABLE || iconic) result.insert(children[i]);
    }
    return result;
}

std::optional<Client> X11Desktop::describe(xcb_window_t window) {
    xcb_connection_t* c = conn_->raw();
    // Ask for the events first, so nothing that happens from here on goes unseen.
    auto selected =
        xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &kClientEvents);
    if (Reply<xcb_generic_error_t> error(xcb_request_check(c, selected)); error)
        return std::nullopt;

    Client client;
    client.window = window;
    AXError error = AXError::success;
    const auto pid = conn_->property(window, conn_->atom(Atom::NET_WM_PID), 4, &error);
    if (error == AXError::invalidUIElement) return std::nullopt;
    if (pid && !pid->cardinals().empty() && pid->cardinals().front() > 0 &&
        pid->cardinals().front() < 0x7FFFFFFF) {
        client.pid = static_cast<Pid>(pid->cardinals().front());
    } else {
        // No process to name: the windows of one client leader form one application.
        const auto leader = conn_->cardinal(window, Atom::WM_CLIENT_LEADER);
        client.pid = -static_cast<Pid>((leader.value_or(window)) & 0x7FFFFFFF);
    }
    if (auto wmClass = conn_->property(window, XCB_ATOM_WM_CLASS, 512)) {
        // Two strings, instance then class, each ending in a zero byte.
        const std::string& bytes = wmClass->bytes;
        const auto split = bytes.find('\0');
        if (split != std::string::npos) {
            std::string cls = bytes.substr(split + 1);
            client.appClass = cleanText(cls.substr(0, cls.find('\0')), 128);
        }
        if (client.appClass.empty()) client.appClass = cleanText(bytes.substr(0, split), 128);
    }
    const auto types = conn_->cardinals(window, Atom::NET_WM_WINDOW_TYPE, 32);
    client.dock = contains(types, conn_->atom(Atom::NET_WM_WINDOW_TYPE_DOCK));
    client.desktop = contains(types, conn_->atom(Atom::NET_WM_WINDOW_TYPE_DESKTOP));
    client.normal = types.empty() ||
                    contains(types, conn_->atom(Atom::NET_WM_WINDOW_TYPE_NORMAL)) ||
                    contains(types, conn_->atom(Atom::NET_WM_WINDOW_TYPE_DIALOG));
    client.iconic = readIconic(window);
    client.title = readTitle(window).value_or("");

    // The top level is the ancestor that is a child of the root.
    xcb_window_t current = window;
    for (int depth = 0; depth < 16; ++depth) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr));
        if (!tree) return std::nullopt;
        if (tree->parent == conn_->root() || tree->parent == XCB_NONE) break;
        current = tree->parent;
    }
    client.topLevel = current;
    client.frame = frame(window, error);
    return client;
}

void X11Desktop::rescan() {
    const std::set<xcb_window_t> now = currentClients();
    std::vector<xcb_window_t> gone;
    std::vector<xcb_window_t> added;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [window, client] : clients_)
            if (!now.count(window)) gone.push_back(window);
        for (xcb_window_t window : now)
            if (!clients_.count(window)) added.push_back(window);
    }
    for (xcb_window_t window : gone)
        removeClient(window);
    for (xcb_window_t window : added) {
        if (auto client = describe(window)) addClient(std::move(*client));
    }
}

RunningApplication X11Desktop::runningLocked(Pid pid, const App& app) const {
    RunningApplication running;
    running.pid = pid;
    running.bundleID = app.name.empty() ? std::nullopt : std::optional(app.name);
    running.localizedName = app.name.empty() ? "pid " + std::to_string(pid) : app.name;
    // Icon themes name an application's icon after its class in lower case ("xterm", "firefox").
    for (char c : app.name)
        running.icon += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    bool regular = false;
    for (xcb_window_t window : app.windows) {
        auto found = clients_.find(window);
        if (found != clients_.end() && found->second.normal && !found->second.dock) regular = true;
    }
    running.activationPolicy = regular ? ActivationPolicy::regular : ActivationPolicy::accessory;
    running.hidden = app.hidden;
    return running;
}

void X11Desktop::addClient(Client client) {
    const xcb_window_t window = client.window;
    const Pid pid = client.pid;
    std::optional<RunningApplication> launched;
    {
        std::lock_guard lock(mutex_);
        byTopLevel_[client.topLevel] = window;
        const bool iconic = client.iconic;
        const std::string name = client.appClass;
        clients_[window] = std::move(client);
        auto [app, fresh] = apps_.try_emplace(pid);
        if (fresh) app->second.name = name;
        app->second.windows.push_back(window);
        app->second.hidden = app->second.hidden && iconic;
        if (fresh) {
            app->second.hidden = iconic;
            launched = runningLocked(pid, app->second);
        }
    }
    if (launched) emit(WorkspaceEvent::didLaunchApplication, launched);
    notify(pid, window, "AXWindowCreated");
}

void X11Desktop::removeClient(xcb_window_t window) {
    Pid pid = 0;
    std::optional<RunningApplication> terminated;
    {
        std::lock_guard lock(mutex_);
        auto found = clients_.find(window);
        if (found == clients_.end()) return;
        pid = found->second.pid;
        byTopLevel_.erase(found->second.topLevel);
        clients_.erase(found);
        if (active_ == window) active_ = 0;
        auto app = apps_.find(pid);
        if (app != apps_.end()) {
            auto& windows = app->second.windows;
            windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
            if (windows.empty()) {
                terminated = runningLocked(pid, app->second);
                terminated->terminated = true;
                apps_.erase(app);
            }
        }
    }
    notify(pid, window, "AXUIElementDestroyed");
    if (terminated) emit(WorkspaceEvent::didTerminateApplication, terminated);
}

void X11Desktop::refreshFrame(xcb_window_t window) {
    AXError error = AXError::success;
    auto now = frame(window, error);
    if (!now) return;  // gone: its DestroyNotify or the client list says so
    xcb_window_t topLevel = window;
    xcb_connection_t* c = conn_->raw();
    for (int depth = 0; depth < 16; ++depth) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, topLevel), nullptr));
        if (!tree || tree->parent == conn_->root() || tree->parent == XCB_NONE) break;
        topLevel = tree->parent;
    }
    std::optional<Rect> before;
    Pid pid = 0;
    {
        std::lock_guard lock(mutex_);
        auto found = clients_.find(window);
        if (found == clients_.end()) return;
        before = found->second.frame;
        pid = found->second.pid;
        if (found->second.topLevel != topLevel) {
            byTopLevel_.erase(found->second.topLevel);
            byTopLevel_[topLevel] = window;
            found->second.topLevel = topLevel;
        }
        found->second.frame = now;
    }
    if (!before || before->origin() != now->origin()) notify(pid, window, "AXWindowMoved");
    if (!before || before->size() != now->size()) notify(pid, window, "AXWindowResized");
}

bool X11Desktop::readIconic(xcb_window_t window) const {
    const auto state = conn_->cardinals(window, Atom::WM_STATE, 2);
    if (!state.empty() && state.front() == kIconicState) return true;
    return contains(conn_->cardinals(window, Atom::NET_WM_STATE, 64),
                    conn_->atom(Atom::NET_WM_STATE_HIDDEN));
}

std::optional<std::string> X11Desktop::readTitle(xcb_window_t window) const {
    AXError error = AXError::success;
    auto name = conn_->property(window, conn_->atom(Atom::NET_WM_NAME), kTitleBytes, &error);
    if (error == AXError::invalidUIElement) return std::nullopt;
    if (name && name->format == 8) return cleanText(name->bytes, kTitleBytes);
    auto legacy = conn_->property(window, XCB_ATOM_WM_NAME, kTitleBytes);
    if (!legacy || legacy->format != 8) return std::string();
    return legacy->type == XCB_ATOM_STRING ? cleanText(latin1ToUtf8(legacy->bytes), kTitleBytes)
                                           : cleanText(legacy->bytes, kTitleBytes);
}

void X11Desktop::refreshTitle(xcb_window_t window) {
    auto title = readTitle(window);
    if (!title) return;
    std::lock_guard lock(mutex_);
    if (auto found = clients_.find(window); found != clients_.end()) found->second.title = *title;
}

void X11Desktop::refreshIconic(xcb_window_t window) {
    const bool iconic = readIconic(window);
    Pid pid = 0;
    {
        std::lock_guard lock(mutex_);
        auto found = clients_.find(window);
        if (found == clients_.end() || found->second.iconic == iconic) return;
        found->second.iconic = iconic;
        pid = found->second.pid;
    }
    notify(pid, window, iconic ? "AXWindowMiniaturized" : "AXWindowDeminiaturized");
    refreshHidden(pid);
}

void X11Desktop::refreshHidden(Pid pid) {
    std::optional<RunningApplication> changed;
    {
        std::lock_guard lock(mutex_);
        auto app = apps_.find(pid);
        if (app == apps_.end()) return;
        bool hidden = !app->second.windows.empty();
        for (xcb_window_t window : app->second.windows)
            hidden = hidden && clients_.at(window).iconic;
        if (hidden == app->second.hidden) return;
        app->second.hidden = hidden;
        changed = runningLocked(pid, app->second);
    }
    emit(
        changed->hidden ? WorkspaceEvent::didHideApplication : WorkspaceEvent::didUnhideApplication,
        changed);
}

void X11Desktop::refreshActive() {
    xcb_window_t focus = 0;
    xcb_connection_t* c = conn_->raw();
    if (windowManagerRunning()) {
        focus = conn_->cardinal(conn_->root(), Atom::NET_ACTIVE_WINDOW).value_or(0);
    } else {
        Reply<xcb_get_input_focus_reply_t> reply(
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        focus = reply ? reply->focus : 0;
        // Focus may sit on a child of the client: walk up to the root's child.
        for (int depth = 0; depth < 16 && focus > 1 && !clientOf(focus); ++depth) {
            Reply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(c, xcb_query_tree(c, focus), nullptr));
            if (!tree || tree->parent == XCB_NONE || focus == conn_->root()) break;
            focus = tree->parent;
        }
    }
    const xcb_window_t window = clientOf(focus).value_or(0);
    Pid pid = 0;
    std::optional<RunningApplication> activated;
    {
        std::lock_guard lock(mutex_);
        if (window == active_) return;
        const Pid before = active_ ? clients_.at(active_).pid : 0;
        active_ = window;
        if (!window) return;
        pid = clients_.at(window).pid;
        auto& app = apps_.at(pid);
        app.lastActive = window;
        if (pid != before) activated = runningLocked(pid, app);
    }
    notify(pid, window, "AXFocusedWindowChanged");
    if (activated) emit(WorkspaceEvent::didActivateApplication, activated);
}

void X11Desktop::readMonitors() {
    std::vector<Monitor> found;
    xcb_connection_t* c = conn_->raw();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const Rect whole{0, 0, static_cast<double>(screen->width_in_pixels),
                     static_cast<double>(screen->height_in_pixels)};
    Reply<xcb_randr_get_monitors_reply_t> reply(
        conn_->hasRandr()
            ? xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, conn_->root(), 1), nullptr)
            : nullptr);
    Reply<xcb_randr_get_screen_resources_current_reply_t> resources(
        reply ? xcb_randr_get_screen_resources_current_reply(
                    c, xcb_randr_get_screen_resources_current(c, conn_->root()), nullptr)
              : nullptr);
    if (reply) {
        for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
             xcb_randr_monitor_info_next(&it)) {
            const xcb_randr_monitor_info_t* info = it.data;
            // A monitor of no size cannot hold a window; it would only divide by zero later.
            if (info->width == 0 || info->height == 0) continue;
            Monitor monitor;
            monitor.frame = {static_cast<double>(info->x), static_cast<double>(info->y),
                             static_cast<double>(info->width), static_cast<double>(info->height)};
            monitor.primary = info->primary;
            monitor.name = conn_->atomName(info->name);
            monitor.identity = monitor.name;
            monitor.number = info->name;
            const xcb_randr_output_t* outputs = xcb_randr_monitor_info_outputs(info);
            if (xcb_randr_monitor_info_outputs_length(info) > 0) {
                const xcb_randr_output_t output = outputs[0];
                monitor.number = output;
                Reply<xcb_randr_get_output_property_reply_t> edid(
                    xcb_randr_get_output_property_reply(
                        c,
                        xcb_randr_get_output_property(c, output, conn_->atom(Atom::EDID),
                                                      XCB_ATOM_ANY, 0, 64, 0, 0),
                        nullptr));
                const int length = edid ? xcb_randr_get_output_property_data_length(edid.get()) : 0;
                if (length >= 128) {
                    const std::string bytes(reinterpret_cast<const char*>(
                                                xcb_randr_get_output_property_data(edid.get())),
                                            static_cast<std::size_t>(length));
                    monitor.identity = edidIdentity(bytes);
                    if (std::string name = edidName(bytes); !name.empty()) monitor.name = name;
                }
                Reply<xcb_randr_get_output_info_reply_t> out(xcb_randr_get_output_info_reply(
                    c, xcb_randr_get_output_info(c, output, XCB_CURRENT_TIME), nullptr));
                Reply<xcb_randr_get_crtc_info_reply_t> crtc(
                    out && out->crtc
                        ? xcb_randr_get_crtc_info_reply(
                              c, xcb_randr_get_crtc_info(c, out->crtc, XCB_CURRENT_TIME), nullptr)
                        : nullptr);
                if (crtc && resources) {
                    auto modes =
                        xcb_randr_get_screen_resources_current_modes_iterator(resources.get());
                    for (; modes.rem; xcb_randr_mode_info_next(&modes)) {
                        const xcb_randr_mode_info_t* mode = modes.data;
                        if (mode->id != crtc->mode || !mode->htotal || !mode->vtotal) continue;
                        const double rate = static_cast<double>(mode->dot_clock) /
                                            (static_cast<double>(mode->htotal) * mode->vtotal);
                        if (rate >= 1 && rate <= 1000)
                            monitor.refreshRate = static_cast<int>(std::lround(rate));
                    }
                }
            }
            found.push_back(monitor);
        }
    }
    if (found.empty()) {
        Monitor monitor;
        monitor.identity = monitor.name = "screen";
        monitor.frame = whole;
        monitor.primary = true;
        found.push_back(monitor);
    }
    std::stable_sort(found.begin(), found.end(), [](const Monitor& a, const Monitor& b) {
        if (a.primary != b.primary) return a.primary;
        if (a.frame.x != b.frame.x) return a.frame.x < b.frame.x;
        return a.frame.y < b.frame.y;
    });

    // Docks and panels reserve their edges of the root; each takes its share of the monitors
    // it touches.
    std::vector<Rect> reserved;
    for (const Client& client : clients()) {
        auto strut = conn_->cardinals(client.window, Atom::NET_WM_STRUT_PARTIAL, 12);
        if (strut.size() < 12) {
            strut = conn_->cardinals(client.window, Atom::NET_WM_STRUT, 4);
            if (strut.size() < 4) continue;
            strut.resize(12, 0);
            strut[5] = strut[7] = static_cast<std::uint32_t>(whole.height) - 1;
            strut[9] = strut[11] = static_cast<std::uint32_t>(whole.width) - 1;
        }
        auto span = [](std::uint32_t start, std::uint32_t end) {
            return end >= start ? static_cast<double>(end - start) + 1 : 0.0;
        };
        const auto value = [&](std::size_t i) {
            return std::min(static_cast<double>(strut[i]), 1e5);
        };
        reserved.push_back({0, value(4), value(0), span(strut[4], strut[5])});
        reserved.push_back({whole.width - value(1), value(6), value(1), span(strut[6], strut[7])});
        reserved.push_back({value(8), 0, span(strut[8], strut[9]), value(2)});
        reserved.push_back(
            {value(10), whole.height - value(3), span(strut[10], strut[11]), value(3)});
    }
    for (Monitor& monitor : found) {
        Rect visible = monitor.frame;
        for (const Rect& area : reserved) {
            const Rect overlap = intersection(area, visible);
            if (overlap.width <= 0 || overlap.height <= 0) continue;
            // Cut the side the area hugs: the whole width for a top or bottom panel.
            if (overlap.width >= visible.width && overlap.minY() <= visible.minY()) {
                visible = {visible.x, overlap.maxY(), visible.width,
                           visible.maxY() - overlap.maxY()};
            } else if (overlap.width >= visible.width) {
                visible.height = overlap.minY() - visible.minY();
            } else if (overlap.minX() <= visible.minX()) {
                visible = {overlap.maxX(), visible.y, visible.maxX() - overlap.maxX(),
                           visible.height};
            } else {
                visible.width = overlap.minX() - visible.minX();
            }
        }
        monitor.visibleFrame = visible.width > 0 && visible.height > 0 ? visible : monitor.frame;
    }
    std::lock_guard lock(mutex_);
    monitors_ = std::move(found);
}

// --- model queries

std::optional<Client> X11Desktop::client(xcb_window_t window) const {
    std::lock_guard lock(mutex_);
    auto found = clients_.find(window);
    if (found == clients_.end()) return std::nullopt;
    return found->second;
}

std::vector<Client> X11Desktop::clients() const {
    std::lock_guard lock(mutex_);
    std::vector<Client> all;
    for (const auto& [window, client] : clients_)
        all.push_back(client);
    return all;
}

std::vector<xcb_window_t> X11Desktop::windowsOf(Pid pid) const {
    std::lock_guard lock(mutex_);
    auto app = apps_.find(pid);
    return app == apps_.end() ? std::vector<xcb_window_t>{} : app->second.windows;
}

bool X11Desktop::hasApplication(Pid pid) const {
    std::lock_guard lock(mutex_);
    return apps_.count(pid) > 0;
}

std::optional<RunningApplication> X11Desktop::application(Pid pid) const {
    std::lock_guard lock(mutex_);
    auto app = apps_.find(pid);
    if (app == apps_.end()) return std::nullopt;
    return runningLocked(pid, app->second);
}

std::vector<RunningApplication> X11Desktop::applications() const {
    std::lock_guard lock(mutex_);
    std::vector<RunningApplication> all;
    for (const auto& [pid, app] : apps_)
        all.push_back(runningLocked(pid, app));
    return all;
}

xcb_window_t X11Desktop::active() const {
    std::lock_guard lock(mutex_);
    return active_;
}

xcb_window_t X11Desktop::focusedWindowOf(Pid pid) const {
    std::lock_guard lock(mutex_);
    auto app = apps_.find(pid);
    if (app == apps_.end() || app->second.windows.empty()) return 0;
    if (active_ && clients_.at(active_).pid == pid) return active_;
    const auto& windows = app->second.windows;
    if (std::find(windows.begin(), windows.end(), app->second.lastActive) != windows.end()) {
        return app->second.lastActive;
    }
    return windows.back();
}

void X11Desktop::noteRaised(xcb_window_t window) {
    std::lock_guard lock(mutex_);
    auto found = clients_.find(window);
    if (found == clients_.end()) return;
    if (auto app = apps_.find(found->second.pid); app != apps_.end())
        app->second.lastActive = window;
}

std::vector<Monitor> X11Desktop::monitors() const {
    std::lock_guard lock(mutex_);
    return monitors_;
}

Point X11Desktop::origin() const {
    std::lock_guard lock(mutex_);
    return monitors_.empty() ? Point{} : monitors_.front().frame.origin();
}

std::optional<bool> X11Desktop::appFlag(Pid pid, const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto app = apps_.find(pid);
    if (app == apps_.end()) return std::nullopt;
    auto flag = app->second.flags.find(name);
    return flag == app->second.flags.end() ? false : flag->second;
}

void X11Desktop::setAppFlag(Pid pid, const std::string& name, bool value) {
    std::lock_guard lock(mutex_);
    if (auto app = apps_.find(pid); app != apps_.end()) app->second.flags[name] = value;
}

// --- server reads and writes

std::vector<std::optional<Rect>> X11Desktop::frames(
    const std::vector<xcb_window_t>& windows) const {
    xcb_connection_t* c = conn_->raw();
    const bool wm = windowManagerRunning();
    struct Cookies {
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t translate;
        xcb_get_property_cookie_t extents;
    };
    std::vector<Cookies> cookies;
    for (xcb_window_t window : windows) {
        Cookies cookie{xcb_get_geometry(c, window),
                       xcb_translate_coordinates(c, window, conn_->root(), 0, 0),
                       {}};
        if (wm) {
            cookie.extents = xcb_get_property(c, 0, window, conn_->atom(Atom::NET_FRAME_EXTENTS),
                                              XCB_ATOM_CARDINAL, 0, 4);
        }
        cookies.push_back(cookie);
    }
    std::vector<std::optional<Rect>> result;
    for (const Cookies& cookie : cookies) {
        Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, cookie.geometry, nullptr));
        Reply<xcb_translate_coordinates_reply_t> place(
            xcb_translate_coordinates_reply(c, cookie.translate, nullptr));
        Reply<xcb_get_property_reply_t> extents(
            wm ? xcb_get_property_reply(c, cookie.extents, nullptr) : nullptr);
        if (!geometry || !place) {
            result.emplace_back();
            continue;
        }
        const double border = geometry->border_width;
        Rect rect{place->dst_x - border, place->dst_y - border, geometry->width + 2 * border,
                  geometry->height + 2 * border};
        if (extents && extents->format == 32 &&
            xcb_get_property_value_length(extents.get()) >= 16) {
            const auto* e =
                static_cast<const std::uint32_t*>(xcb_get_property_value(extents.get()));
            // Left, right, top, bottom; absurd values from a broken manager are ignored.
            if (e[0] < 1000 && e[1] < 1000 && e[2] < 1000 && e[3] < 1000) {
                rect = {rect.x - e[0], rect.y - e[2], rect.width + e[0] + e[1],
                        rect.height + e[2] + e[3]};
            }
        }
        result.emplace_back(rect);
    }
    return result;
}

std::optional<Rect> X11Desktop::frame(xcb_window_t window, AXError& error) const {
    auto result = frames({window}).front();
    if (!result) error = conn_->alive() ? AXError::invalidUIElement : AXError::cannotComplete;
    return result;
}

AXError X11Desktop::writeFrame(xcb_window_t window, std::optional<Point> origin,
                               std::optional<Size> size) {
    xcb_connection_t* c = conn_->raw();
    auto geometryCookie = xcb_get_geometry(c, window);
    auto hintsCookie =
        xcb_get_property(c, 0, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_ANY, 0, 18);
    AXError error = AXError::success;
    auto current = frame(window, error);
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    Reply<xcb_get_property_reply_t> hints(xcb_get_property_reply(c, hintsCookie, nullptr));
    if (!current || !geometry) return error == AXError::success ? AXError::invalidUIElement : error;

    // What the frame adds around the client's own window: decorations and the X border.
    const double extraWidth = current->width - geometry->width;
    const double extraHeight = current->height - geometry->height;

    Size clientSize{static_cast<double>(geometry->width), static_cast<double>(geometry->height)};
    if (size) {
        clientSize = {std::round(size->width - extraWidth), std::round(size->height - extraHeight)};
        double minWidth = 1, minHeight = 1;
        if (hints && hints->format == 32 && xcb_get_property_value_length(hints.get()) >= 28) {
            const auto* h = static_cast<const std::uint32_t*>(xcb_get_property_value(hints.get()));
            if ((h[0] & kMinSizeFlag) && h[5] < 100000 && h[6] < 100000) {
                minWidth = std::max<double>(1, h[5]);
                minHeight = std::max<double>(1, h[6]);
            }
        }
        // Nobody else enforces the hints without a manager: a size is never below the minimum.
        clientSize = {std::clamp(clientSize.width, minWidth, 32767.0),
                      std::clamp(clientSize.height, minHeight, 32767.0)};
    }
    Point target{};
    if (origin) {
        const Point shift = this->origin();
        target = {std::round(origin->x + shift.x), std::round(origin->y + shift.y)};
        target = {std::clamp(target.x, -32768.0, 32767.0), std::clamp(target.y, -32768.0, 32767.0)};
    }

    if (origin) {
        std::lock_guard lock(followerMutex_);
        if (follower_.client == window && follower_.own != 0) {
            const std::uint32_t values[] = {
                static_cast<std::uint32_t>(static_cast<std::int32_t>(
                    std::clamp(std::round(target.x + follower_.offset.x), -32768.0, 32767.0))),
                static_cast<std::uint32_t>(static_cast<std::int32_t>(
                    std::clamp(std::round(target.y + follower_.offset.y), -32768.0, 32767.0)))};
            xcb_configure_window(c, follower_.own, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                                 values);
        }
    }
    if (windowManagerRunning()) {
        std::uint32_t flags = XCB_GRAVITY_NORTH_WEST | (kSourcePager << 12);
        if (origin) flags |= (1 << 8) | (1 << 9);
        if (size) flags |= (1 << 10) | (1 << 11);
        // North-west gravity: the position is the frame's own top-left corner, which the
        // manager knows better than we do (it may remember a border the client no longer has).
        conn_->sendToRoot(window, Atom::NET_MOVERESIZE_WINDOW,
                          {flags, static_cast<std::uint32_t>(static_cast<std::int32_t>(target.x)),
                           static_cast<std::uint32_t>(static_cast<std::int32_t>(target.y)),
                           static_cast<std::uint32_t>(clientSize.width),
                           static_cast<std::uint32_t>(clientSize.height)});
        return AXError::success;
    }
    std::uint16_t mask = 0;
    std::vector<std::uint32_t> values;
    if (origin) {
        mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
        values.push_back(static_cast<std::uint32_t>(static_cast<std::int32_t>(target.x)));
        values.push_back(static_cast<std::uint32_t>(static_cast<std::int32_t>(target.y)));
    }
    if (size) {
        mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
        values.push_back(static_cast<std::uint32_t>(clientSize.width));
        values.push_back(static_cast<std::uint32_t>(clientSize.height));
    }
    Reply<xcb_generic_error_t> failure(
        xcb_request_check(c, xcb_configure_window_checked(c, window, mask, values.data())));
    return failure ? Connection::translate(failure.get()) : AXError::success;
}

void X11Desktop::follow(const Follower& follower, const std::function<void()>& place) {
    std::lock_guard lock(followerMutex_);
    place();
    follower_ = follower;
}

AXError X11Desktop::activate(xcb_window_t window) {
    if (windowManagerRunning()) {
        conn_->sendToRoot(window, Atom::NET_ACTIVE_WINDOW,
                          {kSourcePager, XCB_CURRENT_TIME, active(), 0, 0});
        return AXError::success;
    }
    auto found = client(window);
    if (!found) return AXError::invalidUIElement;
    if (found->iconic) setIconic(window, false);
    xcb_connection_t* c = conn_->raw();
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, found->topLevel, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    Reply<xcb_generic_error_t> failure(xcb_request_check(
        c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME)));
    if (failure) return Connection::translate(failure.get());
    // The server has moved the focus by now; the next question about it must see that, not
    // wait for the FocusIn event to reach the loop.
    std::lock_guard lock(mutex_);
    if (auto found = clients_.find(window); found != clients_.end()) {
        active_ = window;
        if (auto app = apps_.find(found->second.pid); app != apps_.end()) {
            app->second.lastActive = window;
        }
    }
    return AXError::success;
}

AXError X11Desktop::raise(xcb_window_t window) {
    auto found = client(window);
    if (!found) return AXError::invalidUIElement;
    noteRaised(window);
    if (windowManagerRunning()) {
        conn_->sendToRoot(window, Atom::NET_RESTACK_WINDOW,
                          {kSourcePager, XCB_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
        return AXError::success;
    }
    xcb_connection_t* c = conn_->raw();
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    Reply<xcb_generic_error_t> failure(xcb_request_check(
        c, xcb_configure_window_checked(c, found->topLevel, XCB_CONFIG_WINDOW_STACK_MODE, &above)));
    return failure ? Connection::translate(failure.get()) : AXError::success;
}

AXError X11Desktop::setIconic(xcb_window_t window, bool iconic) {
    if (windowManagerRunning()) {
        if (!iconic) return activate(window);
        conn_->sendToRoot(window, Atom::WM_CHANGE_STATE, {kIconicState, 0, 0, 0, 0});
        return AXError::success;
    }
    // Nobody else is there to do it: the window goes and comes back the way a manager would.
    xcb_connection_t* c = conn_->raw();
    const std::uint32_t state[2] = {iconic ? kIconicState : kNormalState, XCB_NONE};
    auto changed =
        xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, window, conn_->atom(Atom::WM_STATE),
                                    conn_->atom(Atom::WM_STATE), 32, 2, state);
    if (iconic) {
        xcb_unmap_window(c, window);
    } else {
        xcb_map_window(c, window);
    }
    Reply<xcb_generic_error_t> failure(xcb_request_check(c, changed));
    return failure ? Connection::translate(failure.get()) : AXError::success;
}

AXError X11Desktop::setFullScreen(xcb_window_t window, bool on) {
    if (!windowManagerRunning()) return AXError::cannotComplete;
    conn_->sendToRoot(
        window, Atom::NET_WM_STATE,
        {on ? 1u : 0u, conn_->atom(Atom::NET_WM_STATE_FULLSCREEN), 0, kSourcePager, 0});
    return AXError::success;
}

std::vector<xcb_window_t> X11Desktop::stacking() const {
    std::vector<xcb_window_t> order;
    if (windowManagerRunning()) {
        for (std::uint32_t window : conn_->cardinals(conn_->root(), Atom::NET_CLIENT_LIST_STACKING))
            if (clientOf(window)) order.push_back(window);
    } else {
        xcb_connection_t* c = conn_->raw();
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, conn_->root()), nullptr));
        if (!tree) return order;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
            if (auto found = clientOf(children[i])) order.push_back(*found);
    }
    std::reverse(order.begin(), order.end());  // the server lists bottom to top
    return order;
}

bool X11Desktop::viewable(xcb_window_t topLevel) const {
    xcb_connection_t* c = conn_->raw();
    Reply<xcb_get_window_attributes_reply_t> attr(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, topLevel), nullptr));
    return attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
}

// --- observers

void X11Desktop::addObserver(const std::shared_ptr<ObserverState>& state) {
    std::lock_guard lock(observerMutex_);
    std::erase_if(observers_, [](const auto& weak) { return weak.expired(); });
    observers_.push_back(state);
}

void X11Desktop::notify(Pid pid, xcb_window_t window, const std::string& name) {
    std::vector<std::shared_ptr<ObserverState>> targets;
    {
        std::lock_guard lock(observerMutex_);
        for (const auto& weak : observers_)
            if (auto state = weak.lock(); state && state->pid == pid) targets.push_back(state);
    }
    const AXElement element{pid, window};
    for (const auto& state : targets) {
        std::function<void(const AXElement&, const std::string&)> callback;
        {
            // Checked at the moment of delivery: an observer unscheduled by an earlier
            // callback of this round hears nothing more.
            std::lock_guard lock(observerMutex_);
            if (!state->scheduled) continue;
            if (!state->registrations.count({window, name}) &&
                !state->registrations.count({0, name})) {
                continue;
            }
            callback = state->callback;
        }
        if (callback) callback(element, name);
    }
}

std::uint64_t X11Desktop::addWorkspaceObserver(WorkspaceObserver observer) {
    std::lock_guard lock(observerMutex_);
    const std::uint64_t id = ++lastWorkspaceObserver_;
    workspaceObservers_[id] = std::make_shared<WorkspaceObserver>(std::move(observer));
    return id;
}

void X11Desktop::removeWorkspaceObserver(std::uint64_t id) {
    std::lock_guard lock(observerMutex_);
    workspaceObservers_.erase(id);
}

void X11Desktop::emit(WorkspaceEvent event, std::optional<RunningApplication> app) {
    std::vector<std::pair<std::uint64_t, std::shared_ptr<WorkspaceObserver>>> targets;
    {
        std::lock_guard lock(observerMutex_);
        targets.assign(workspaceObservers_.begin(), workspaceObservers_.end());
    }
    for (const auto& [id, observer] : targets) {
        {
            std::lock_guard lock(observerMutex_);
            if (!workspaceObservers_.count(id)) continue;  // removed by an earlier observer
        }
        (*observer)(event, app);
    }
}

}  // namespace tessarin::x11
