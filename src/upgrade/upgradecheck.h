#pragma once

// Whether an upgrade file fits the controller that answered: the Orv/Brel rule on version numbers and the
// file kind, the uKorvo rule on core versions, and the texts a refusal shows. Plain functions.

#include <QChar>
#include <QString>

namespace korvo {

// A controller core version of 3.0 or later outside 900..903 (the Plus line).
bool isPlusController(double coreVersion);
// The product text is asked for from controllers of 3.0 or later whose rounded version is not 900 or 901.
bool asksProductText(double coreVersion);
// Rounds halves to the even neighbour.
double roundHalfEven(double value);

struct UpgradeCheck
{
    bool accepted = true;
    QString message; // the refusal text for the message box; empty when accepted
};

// Orv/Brel: fileVersion is the file's version number F, kind its kind letter.
UpgradeCheck checkOrvBrelFile(double coreVersion, double fileVersion, QChar kind);
// uKorvo: the controller's core version text must equal the file's, compared as texts (an erased controller
// reads empty, which equals only a file without a core version).
UpgradeCheck checkUKorvoCore(const QString &controllerCore, const QString &fileCore);
// Both core versions in one line, for showing beside a refusal: the factory asks which core the controller
// has.
QString coreVersionsText(const QString &controllerCore, const QString &fileCore);

} // namespace korvo
