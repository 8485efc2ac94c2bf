#pragma once

#include <functional>

class QDialog;
class QDialogButtonBox;

// The "&OK" (default button, Enter) and "&Cancel" (Escape) pair every engine dialog ends with.
// OK runs confirm; Cancel rejects the dialog.
QDialogButtonBox *makeOkCancelButtons(QDialog *dialog, const std::function<void()> &confirm);
