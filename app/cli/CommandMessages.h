#pragma once

// A headless command reports an error as one line on stderr and nothing at all when it
// succeeds, wherever it runs (under cron or as root, XDG_RUNTIME_DIR is often unset). Qt's own
// messages go through here: the ones known to be harmless there are dropped, every other one
// goes on to Qt's handler as before.
namespace CommandMessages {

// Call before the application object is made.
void install();

} // namespace CommandMessages
