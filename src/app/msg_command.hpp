#pragma once

#include <string>

namespace tessarin {

// `tessarin msg ARGS...`: one request to the running copy for $DISPLAY, or its event stream.
// `argv` holds what follows "msg". Exit status: 0 done (a stream: the copy closed it), 1
// refused, unknown action or bad usage, 2 no running copy. docs/ipc.md has the details.
int runMessage(int argc, char** argv);

// Hands a `tessarin://` URL to the running copy, which runs what it names or ignores it. Exit
// status as for msg.
int forwardURL(const std::string& url);

}  // namespace tessarin
