// The program speaks Russian whatever the desktop's language: the toolkit's
// own dialogs (file and folder pickers, font, print, the calendar) take the
// toolkit's Russian translations, and dates and month and day names follow
// the Russian locale.
#pragma once

namespace rpt::gui {

// Loads the toolkit's Russian translations ("qtbase_ru" from the toolkit's
// translations folder; Debian's qt6-translations-l10n installs them) and
// makes Russian the default locale. The toolkit's own dialogs are used
// instead of the desktop's, which follow the desktop's language. Needs the
// application object; a second call only repeats the locale. False when the
// translations could not be loaded: the dialogs then stay in English.
bool UseRussianLanguage();

}  // namespace rpt::gui
