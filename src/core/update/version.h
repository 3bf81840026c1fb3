#pragma once

#include <QString>

// The program's own version, compared with the maker's version file at start.
inline const QString kProgramVersion = QStringLiteral("V3.2");

// The version field of a version file: the text after the first "cb:" and before the
// first "|" that follows it; "" when the answer holds no "cb:" or no such "|".
QString versionField(const QString &answer);

enum class UpdateVerdict {
    Failed,  // no answer, or an answer that is not a version file
    Current, // the field is exactly kProgramVersion
    Newer,   // any other field
};

UpdateVerdict updateVerdict(const QString &answer);

// The news shown when the maker has published another version.
QString newerVersionMessage(const QString &field);
