// Names of the controls that the editor's logic refers to. The tables (the
// catalogue, the binding, the list sources, the states clipboard) name controls
// by their template identifiers; code that is not a table uses these names.
#pragma once

#include "text/list_sources.h"

namespace ce::ctl {

// Commands (a menu item's or a button's identifier).
constexpr int kClose = 2;                 // the dialog's close command
constexpr int kSave = 2100;               // the Save button
constexpr int kJump = 2101;               // the jump button beside list 301
constexpr int kEnglish = 2001;            // the language radio buttons
constexpr int kRussian = 2002;
constexpr int kCopyAllStates = 10000;     // menu items
constexpr int kPasteAllStates = 10001;
constexpr int kPasteCrAnim = 10002;
constexpr int kHistory = 10003;           // opens the History window
constexpr int kUndoSave = 10004;          // undoes the shown creature's last Save (Ctrl+Z)
constexpr int kApplyMod = 10005;          // opens a patch and the Apply mod window
constexpr int kSaveAsMod = 10006;         // writes the changes since a base folder as a patch
constexpr int kExportTable = 10007;       // writes the folder's CSV or JSON table
constexpr int kImportTable = 10008;       // reads a table and opens the Import table window

// The Import table window.
constexpr int kTableChanges = 4202;       // every change, the held ones first
constexpr int kTableSummary = 4203;
constexpr int kImportAll = 4204;          // the held changes too
constexpr int kImportWithoutHeld = 4205;

// The Apply mod window.
constexpr int kModChanges = 4102;         // every change and conflict
constexpr int kModSummary = 4103;
constexpr int kTakeMod = 4104;            // the selected conflict: the mod's value
constexpr int kKeepFolder = 4105;         // the selected conflict: the folder's value
constexpr int kAllMod = 4106;
constexpr int kAllFolder = 4107;
constexpr int kApply = 1;

// The History window.
constexpr int kHistoryEntries = 4002;     // the entries, newest first
constexpr int kHistoryChanges = 4004;     // what the selected entry changed
constexpr int kRestoreCreature = 4005;
constexpr int kRestoreFolder = 4006;

// Notifications (the high 16 bits of a command word).
constexpr int kEditChange = 5;            // text typed into the edit field of list 300

// Texts.
constexpr int kFirstCaption = kFirstCaptionControl;  // captions 2000..2132 take Common lines 0..132
constexpr int kHeader = 2003;             // the creature header
constexpr int kPluralCaption = 2102;
constexpr int kAbilityCaption = 2103;
constexpr int kPlural = 5000;             // the creature's plural and ability texts
constexpr int kAbility = 5001;
constexpr int kNameEdit = 121;            // emptied and disabled for the fixed slot
constexpr int kSoundEdit = 122;
constexpr int kAmmoEdit = 304;            // an edit among the lists' identifiers

// Lists.
constexpr int kCreatureList = 300;        // the creature names, with an edit part
constexpr int kJumpList = 301;            // entry n jumps to creature n - 1
constexpr int kFirstList = 300;           // the lists are 300..323 but for 304
constexpr int kLastList = 323;

// Check boxes whose click has a reaction, and what they govern.
constexpr int kAmmoBox = 2021;            // the ammo edit, four boxes and three lists
constexpr int kZeroingBox = 2025;         // checked: edit 212 holds 0 and is disabled
constexpr int kZeroedEdit = 212;
constexpr int kClearingBox = 2036;        // checked: box 2073 is cleared and disabled
constexpr int kClearedBox = 2073;
constexpr int kEnablingBox = 2038;        // clear: box 2084 is cleared and disabled
constexpr int kEnabledBox = 2084;

}  // namespace ce::ctl
