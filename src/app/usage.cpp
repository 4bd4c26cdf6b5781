#include "app/usage.hpp"

namespace tessarin {

const char* usageText() {
    return "usage: tessarin [--help | --version | --check | --install | --uninstall]\n"
           "       tessarin tessarin://ACTION\n"
           "       tessarin msg ACTION | --json state|windows|displays | subscribe | dump | "
           "--list\n"
           "\n"
           "Tiles the windows of the X session on $DISPLAY on one scrolling strip per monitor.\n"
           "Without arguments it runs until SIGTERM, SIGINT (Ctrl-C) or SIGHUP stops it.\n"
           "\n"
           "  --help, -h            prints this text\n"
           "  --version             prints the version\n"
           "  --check               prints what on this system fights tiling, and the fixes\n"
           "  --install             adds the menu entry, the icon and the tessarin:// handler\n"
           "                        for this user\n"
           "  --uninstall           takes away what --install wrote, and the login item\n"
           "  tessarin://ACTION     hands ACTION to the running copy (also tessarin:///ACTION);\n"
           "                        ACTION is an action name, settings, debug or hittest\n"
           "\n"
           "  msg ACTION            runs one action in the running copy (e.g. focusRight)\n"
           "  msg --json state      prints displays, strips and windows as JSON\n"
           "  msg --json windows    prints the windows as JSON\n"
           "  msg --json displays   prints the displays as JSON\n"
           "  msg subscribe         prints one JSON line per change until interrupted\n"
           "  msg dump              writes state.txt beside the log for a problem report\n"
           "  msg --list            lists the actions\n"
           "\n"
           "Files: settings ~/.config/tessarin/com.tessarin.json, log\n"
           "~/.local/state/Tessarin/Tessarin.log, socket $XDG_RUNTIME_DIR/tessarin/, login item\n"
           "~/.config/autostart/tessarin.desktop.\n"
           "Exit status: 0 done, 1 error or refused, 2 no running copy (msg and URLs).\n"
           "See tessarin(1).\n";
}

}  // namespace tessarin
