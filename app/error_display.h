#pragma once
// The error display's text rule: a non-empty message whose last character comes after "."
// (U+002E) gains a final "."; so a text ending in ")" or "." is shown as it is.
#include <QString>

QString errorDisplayText(const QString& message);
