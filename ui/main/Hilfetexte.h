#pragma once

#include <QString>

// The short help that stands in where no viewer opens the manual.
QString hilfethemenText();

// Whom to ask, naming the program's `version`.
QString softwareServiceText(const QString& version);
