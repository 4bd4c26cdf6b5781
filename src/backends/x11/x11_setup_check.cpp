#include "backends/x11/x11_setup_check.hpp"

#include "backends/x11/x11_desktop.hpp"

namespace tessarin::x11 {

namespace {

// Window managers' names are short; anything longer is cut.
constexpr std::uint32_t kNameBytes = 256;

}  // namespace

DesktopFacts X11SetupCheck::facts() {
    DesktopFacts facts;
    facts.monitors = std::max<std::size_t>(1, desktop_.monitors().size());
    Connection& conn = desktop_.connection();
    xcb_connection_t* c = conn.raw();
    auto talking = desktop_.talk();
    if (auto check = conn.cardinal(conn.root(), Atom::NET_SUPPORTING_WM_CHECK)) {
        // A manager that died may leave the root naming its window: it must name itself.
        if (*check != 0 && conn.cardinal(*check, Atom::NET_SUPPORTING_WM_CHECK) == *check) {
            auto name = conn.property(*check, conn.atom(Atom::NET_WM_NAME), kNameBytes);
            facts.windowManager = name ? cleanText(name->bytes, kNameBytes) : "";
        }
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (; screens.rem && screens.data->root != conn.root(); xcb_screen_next(&screens))
        ++facts.screen;
    const xcb_atom_t selection = conn.intern("_NET_WM_CM_S" + std::to_string(facts.screen));
    if (selection != XCB_NONE) {
        Reply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
        facts.compositor = owner && owner->owner != XCB_NONE;
    }
    return facts;
}

std::vector<SetupFinding> X11SetupCheck::check(const SetupContext& context) {
    return x11Findings(facts(), files_, context);
}

}  // namespace tessarin::x11
