#pragma once
// Working folders of the tools: each made afresh under $TMPDIR (else /tmp)
// with a name no other run shares, and removed with all it holds when the
// tool ends, whether main returns, exit() is called, or the tool is stopped
// by SIGINT, SIGTERM, SIGHUP or SIGQUIT (the signal then ends it as it
// would have).
#include <string>

namespace scratch {

// Makes the folder prefix.XXXXXX; its absolute path, or "" when none could
// be made. Call it before the tool starts any thread of its own: the four
// signals are handled by a thread of this module.
std::string makeFolder(const std::string& prefix);

}  // namespace scratch
