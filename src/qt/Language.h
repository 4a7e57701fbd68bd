#pragma once

#include <QLibraryInfo>
#include <QString>

class QCoreApplication;

namespace qt {

// The toolkit's own words in Russian, as the window's are, whatever language the system speaks:
// the file and folder dialogs, the text fields' menus, the message boxes' standard buttons.
// Loads the toolkit's Russian catalogue (qtbase_ru.qm) from `folder` onto a translator of the
// application, puts in front of it the Russian of the words that catalogue lacks, and makes
// Russian the default locale (the names of the file types in the file dialog). To be called once
// the application is made and before any widget is. Returns the catalogue's file, or an empty
// string when it could not be loaded: the toolkit's words are then English but for the few the
// editor knows itself.
//
// The folder is the toolkit's translations folder: the system's, or in the Linux download its
// own, .test_editor/translations, where the download's qt.conf points the toolkit.
QString speakRussian(QCoreApplication& application,
                     const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

// A file's size as a Russian reader writes it: "524 байта", "1,7 КБ", "23 КБ", "3,4 МБ".
QString russianSize(qint64 bytes);

}  // namespace qt
