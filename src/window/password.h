#pragma once
// The settings password: the prompt dlgPass, and the check of what was
// typed. The program keeps only a salted SHA-256 of the password.

#include <QString>

#include <memory>
#include <optional>

class QInputDialog;
class QWidget;

namespace kestrelon {

// Whether the typed text is the password: exactly, letter case counts and
// nothing is trimmed.
bool PasswordAccepted(const QString& typed);

// dlgPass: caption "Setting", prompt "PASSWORD:", typed characters hidden,
// OK and Cancel, in the middle of the screen.
std::unique_ptr<QInputDialog> MakePasswordDialog(QWidget* parent);
// Shows dlgPass modally: the typed text after OK, nothing after Cancel.
std::optional<QString> AskPassword(QWidget* parent);

} // namespace kestrelon
