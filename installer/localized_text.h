// The wizard's texts in ten languages, and the list of those languages.
//
// Every text that changes with the language lives in one read-only table of
// fixed-size, zero-terminated UTF-16 entries: 25 rows (which text) by 10
// languages (which column) by 128 characters. Entry (row r, language l) starts
// at character offset r * 1280 + l * 128 of the table.
#pragma once

#include <cstddef>

namespace pelmora {

inline constexpr int kLocalizedRowCount = 25;
inline constexpr int kLanguageCount = 10;
inline constexpr std::size_t kLocalizedTextCapacity = 128;  // characters per entry

// Rows of the table. Rows 0 and 16 are not shown by any screen but keep their
// places so that every row keeps its number.
inline constexpr int kTextDetails = 0;
inline constexpr int kTextCancel = 1;             // Cancel button, every page
inline constexpr int kTextNext = 2;               // Next button, every page
inline constexpr int kTextClose = 3;              // Next button once installing
inline constexpr int kTextStep1Header = 4;        // "  STEP 1: Checking for ..."
inline constexpr int kTextNeedAdministrator = 5;  // Step 1 details, not an admin
inline constexpr int kTextStep1Details = 6;       // Step 1 details, first paragraph
inline constexpr int kTextStep1Unplug = 7;        // Step 1 details, second paragraph
inline constexpr int kTextStep1Status = 8;        // Step 1 status line
inline constexpr int kTextStep2Header = 9;        // "  STEP 2 :   Installation checks"
inline constexpr int kTextStep2Details = 10;      // Step 2 details, first paragraph
inline constexpr int kTextStep2ClickNext = 11;    // Step 2 details, second paragraph
inline constexpr int kTextStep2Status = 12;       // Step 2 status line
inline constexpr int kTextStep3Header = 13;       // "  STEP 3 :  Plug in your ..."
inline constexpr int kTextStep3Details = 14;      // Step 3 details, first paragraph
inline constexpr int kTextStep3PlugIn = 15;       // Step 3 details, second paragraph
inline constexpr int kTextPlugInCardPrinter = 16;
inline constexpr int kTextCleaningPrinters = 17;            // removing print queues
inline constexpr int kTextCleaningDrivers = 18;             // removing printer drivers
inline constexpr int kTextCleaningMonitors = 19;            // removing language monitors
inline constexpr int kTextCleaningDriverPackages = 20;      // removing driver packages
inline constexpr int kTextCleaningInfFiles = 21;            // removing OEM INF files
inline constexpr int kTextCheckingSystemFiles = 22;         // examining the system files
inline constexpr int kTextCheckingPapers = 23;              // setting up the card paper form
inline constexpr int kTextPreinstallingDriverPackage = 24;  // preparing the driver package

// The table itself: LocalizedText[row][languageIndex] is one entry.
extern const char16_t LocalizedText[kLocalizedRowCount][kLanguageCount][kLocalizedTextCapacity];

static_assert(sizeof(LocalizedText) == 64000, "25 x 10 x 128 UTF-16 characters");
static_assert(sizeof(LocalizedText[0]) == 1280 * sizeof(char16_t), "one row is 1280 characters");
static_assert(sizeof(LocalizedText[0][0]) == 128 * sizeof(char16_t), "one entry is 128 characters");

// Entry (row, languageIndex). A language index outside 0..9 reads the English
// column; a row outside 0..24 gives an empty text. Never returns nullptr.
const char16_t* GetLocalizedText(int row, int languageIndex);

// Language indexes (the column order of the table and the item order of the
// language combo box).
inline constexpr int kLanguageEnglish = 0;
inline constexpr int kLanguageKorean = 1;
inline constexpr int kLanguageSpanish = 2;
inline constexpr int kLanguageJapanese = 3;
inline constexpr int kLanguageChineseSimplified = 4;
inline constexpr int kLanguageChineseTraditional = 5;
inline constexpr int kLanguageIndonesian = 6;
inline constexpr int kLanguagePortuguese = 7;
inline constexpr int kLanguagePersian = 8;
inline constexpr int kLanguageRussian = 9;

struct Language {
  const char16_t* comboName;        // item text in the language combo box
  const char16_t* commandLineCode;  // three letters, or nullptr: not selectable that way
};

// Indexed by language index. The command-line scan tests the codes in this
// order, skipping the languages without a code.
extern const Language kLanguages[kLanguageCount];

}  // namespace pelmora
