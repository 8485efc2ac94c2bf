#pragma once

class VellumPrinter;

// The engine that last ran BeginDoc in this process; the preview window and the dialogs reach
// their engine through it. Null when there is none or it has been destroyed.
VellumPrinter *currentEngine();
void setCurrentEngine(VellumPrinter *engine);
