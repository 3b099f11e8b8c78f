// The English pack Grindel ships in its Lang folder, read through Grindel's own
// lookup: every text must be the one the code shows without any pack.
#include <windows.h>

#include <gtest/gtest.h>

#include "TestSupport.h"

#include <set>
#include <string>
#include <vector>

#include "LangPack.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
// The source tree's resources/Grindel, as Wine sees it.
const char* const kShippedFolder = QV_GRINDEL_RESOURCES;
const char* const kMissing = "\x01 not in the pack";

struct PackText {
    int key;
    const char* text;
};

// Every key Grindel looks up, with the built-in text it passes (a key used in
// several places is listed with each of its texts).
const PackText kTexts[] = {
    {9000, "Live &Update"},
    {9001, "&Algorithm Selection"},
    {9002, "&New"},
    {9003, "&Edit"},
    {9004, "&Delete"},
    {9005, "&Language Setting"},
    {9006, kTextMemory},
    {9007, kTextComInit},
    {9008, kTextKernel32},
    {9009, kTextKernel32Functions},
    {9010, kTextProgressDialog},
    {9011, kTextFindHandle},
    {9012, kTextTempFolder},
    {9013, kTextTempFiles},
    {9014, kTextBinApis},
    {9015, kTextBinEmpty},
    {9016, "There's a task with this name. Please, Specify another name."},
    {9017, "Sorry, You can drag files only in the files list box."},
    {9018, "There isn't any selected files to be removed from the list, Please select a file first."},
    {9019, "There isn't any files to be scheduled. Please, Specify the files first."},
    {9020, kTextLinkLeft},
    {9021, "There isn't any files to be shredded. Please, Specify the files first."},
    {9022, "There isn't any folders to be shredded. Please, Specify the folders first."},
    {9023, "Shredded files and folders cannot be recovered! Are you sure you want to do this?"},
    {9024, "Sorry, You can drag folders only in the folders list box."},
    {9025, "There isn't any selected folders to be removed from the list, Please select a folder first."},
    {9026, kTextRestorePoints},
    {9027, kTextFreeSpaceWarning},
    {9028, "There isn't any selected tasks. Please, Select a task first."},
    {9029, "Are you sure you want to delete all scheduled tasks?"},
    {9030, "There isn't any folders to be scheduled. Please, Specify the folders first."},
    {9032, "Shredded files cannot be recovered! Are you sure you want to do this?"},
    {9033, kTextQuota},
    {9034, kTextAccess},
    {9035, kTextSid},
    {9036, kTextAttributes},
    {9037, kTextExclusive},
    {9038, kTextNotDeleted},
    {9039, kTextSkipFolder},
    {9040, kTextSystemFolder},
    {9041, kTextShredSubfolder},
    {9042, kTextRemoveSubfolder},
    {9043, "Unable to remove folder:\n%s\n\n"},
    {9043, kTextRemoveFailed},
    {9044, "Error code: %u (%s)."},
    {9044, kTextErrorCode},
    {9045, kTextNoFreeSpaceUser},
    {9046, kTextNoFreeSpace},
    {9047, kTextWriteFailed},
    {9048, kTextBinQuery},
    {9049, kTextBinConfirm},
    {9050, kTextBinAbort},
    {9051, kTextConfirmMany},
    {9052, kTextConfirmOne},
    {9053, kTextNotObject},
    {9054, kTextTaskAttributes},
    {9055, kTextTaskSubfolders},
    {9056, kTextTaskRemove},
    {9057, "Please, Enter the task name."},
    {9059, kTextContextMenu},
    {9060, kTextScheduler},
    {9061, "Context menu caption will be changed the next time you restart you system."},
    {9062,
     "Warning: This function may conflict with other software that is designed to \"protect\" or \"preserve\" the "
     "contents of your Recycle Bin. If you have such software installed on your system, this function may not work "
     "properly and/or have undesireable side-effects."},
    {9062, kTextBinAlert},
    {9063, kTextFreeSpaceCaption},
    {9064, "WARNING!"},
    {9065, kTextInstance},
    {9066, "Are you sure you want to remove all files in the list box?"},
    {9067, "Are you sure you want to remove all folders in the list box?"},
    {9068, "There's not any files in the list box."},
    {9069, "There's not any folders in the list box."},
    {9070, "Please, Enter the algorithm name."},
    {9071, "There's an algorithm with the same name.\nPlease change the algorithm name."},
    {9072, "Please, Enter the algorithm description."},
    {9073, "Failed to save the shredding algorithm in the system registry."},
    {9074, "There's no selected pass. Please, Select a pass first."},
    {9075, "There's no selected drive, Please select a drive first."},
    {9076, kTextClearFat},
    {9077, kTextClearRoot},
    {9078, kTextDriveWrite},
    {9079, kTextBinUntouched},
    {9080, "Failed to delete the shredding algorithm registry key."},
    {9081, kTextUnsupportedFs},
    {9082, kTextUnknownFs},
    {9083, kTextConfirmDrive},
    {9084, "Click here to visit our web site"},
    {9085, "Your pattern include characters out of the Hexadecimal number system.\nPlease fix your pattern."},
    {9086, "Log file doesn't exist."},
    {9087, "You select a drive not a folder.\nIf you want to shred a drive go to Shred Drive page."},
    {9088, kTextBadAlgorithm},
    {9089, kTextNotAvailable},
    {9090, kTextVolumeLock},
    {9091, kTextDriveRefused},
    {9092, kTextAlgBackslash},
    {9093, kTextFillCompressed},
    {9094, kTextTaskCreateFailed},
    {9095, kTextTaskSaveFailed},
    {9096, kTextTaskDeleteFailed},
    {9097, kTextTaskNoAlgorithm},
    {9098, kTextFillIncomplete},
    {9099, kTextTaskPropertiesFailed},
    {9100, kTextTaskRunFailed},
    {9170, kTextOtherNames},
    {9171, kTextFolderRenamed},
    {9172, kTextBinLeft},
    {9173, kTextBinNotEmptied},
    {9174, kTextPipeLeft},
    {9175, kTextDeviceLeft},
    {9180, kTextNoItems},
    {9181, kTextUnread},
    {9182, kTextListUnreadable},
    {9183, kTextTooManyItems},
    {9184, kTextSubfolderSkipped},
    {9185, kTextFolderKept},
    {9186, kTextQuotaNote},
    {9187, kTextPathTooLong},
    {9188, kTextTooDeep},
    {9189, kTextAndMore},
    {9190, kTextNotFormattedNames},
    {9191, kTextNotFormattedEmpty},
    {9192, kTextDrivePartly},
    {9193, kTextDamagedLine},
    {9194, kTextRunEndedEarly},
    {9195, kTextRunUnreadable},
    {9196, kTextTooManyChosen},
    {9101, "Add Files"},
    {9102, "Drag and drop files in the list box or use browse button"},
    {9103, "&Browse"},
    {9104, "&Schedule"},
    {9105, "Shred &Now"},
    {9106, "&Remove Item"},
    {9107, "Remove &All"},
    {9108, "File Name"},
    {9150, kTextTaskDamaged},
    {9151, kTextTaskNameInvalid},
    {9152, kTextTaskNameTooLong},
    {9153, kTextSchedErrors[0]},
    {9154, kTextSchedErrors[1]},
    {9155, kTextSchedErrors[2]},
    {9156, kTextSchedErrors[3]},
    {9157, kTextSchedErrors[4]},
    {9158, kTextSchedErrors[5]},
    {9159, kTextSchedErrors[6]},
    {9160, kTextSchedErrors[7]},
    {9161, kTextSchedErrors[8]},
    {9162, kTextSchedErrors[9]},
    {9163, kTextSchedErrors[10]},
    {9164, kTextSchedErrors[11]},
    {9165, kTextSchedErrors[12]},
    {9166, kTextTaskNotRenumbered},
    {9201, "Add Folders"},
    {9202, "Drag and drop folders in the list box or use browse button"},
    {9206, "&Remove Item"},
    {9207, "Remove &All"},
    {9208, "SubFolder &Options"},
    {9209, "Folder Name"},
    {9301, "&Choose Drive"},
    {9302, "Shred &Now"},
    {9303, "&Schedule"},
    {9305, "Shred the whole &drive."},
    {9305, kTextDriveWhole},
    {9306, "&After shredding whole drive"},
    {9306, kTextDriveAfter},
    {9307, "&Leave drive as it's."},
    {9307, kTextDriveLeave},
    {9308, "&Format drive."},
    {9308, kTextDriveFormat},
    {9309, "Label"},
    {9310, "File System"},
    {9311, "Free Space"},
    {9312, "Total Space"},
    {9401, "Shred &Recycle Bin"},
    {9501, "Scheduler"},
    {9503, "Task &Properties"},
    {9504, "&Run Now"},
    {9505, "&Delete Task"},
    {9506, "Delete &All"},
    {9507, "&View Log"},
    {9508, "Task Name"},
    {9606, kTextProductTitle},
    {9608, "Cancel"},
    {9609, "Help"},
    {9700, "&Shred contents of subfolders"},
    {9701, "Never"},
    {9702, "Prompt"},
    {9703, "Always"},
    {9704, "&Remove subfolders after shredding"},
    {9705, "Cancel"},
    {9706, "OK"},
    {9900, kTextProgressCaption},
    {9901, kTextProgressCancel},
    {9902, kTextBinCaption},
    {9908, kTextPreparingFiles},
    {9909, kTextPreparingWait},
    {9911, kTextDeletingFiles},
    {9912, kTextDeletingWait},
    {9913, kTextBinEmptying},
    {9914, kTextTempFileOf},
    {9915, kTextShredding},
    {9916, kTextPreparing},
    {9917, kTextFreeSpaceProgress},
    {9919, kTextTempFilePass},
    {9920, kTextDriveCaption},
    {9921, kTextPass},
    {9922, kTextPassPattern},
    {9923, kTextPassRandom},
    {9924, kTextPassComplement},
    {10000, "Quorvane Grindel"},
    {10001, "Please Enter the task name"},
    {10002, "OK"},
    {10003, "Cancel"},
    {10100, "Version:"},
    {10101, "About Quorvane Grindel"},
    {11000, kTextShell32Alert},
    {11001, kTextAlertCheck},
    {11002, kTextAlertOk},
    {12000, kTextRecycleVerb},
    {13012, "Data"},
};

// Keys the English pack leaves out on purpose (none at present).
const std::set<int> kLeftOut = {};

std::string Unix(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

class ShippedPack : public testing::Test {
protected:
    void TearDown() override { SetLangPackSource("", kDefaultLanguage); }
    static void UsePack(const char* language) { SetLangPackSource(kShippedFolder, language); }
};
}  // namespace

TEST_F(ShippedPack, EveryTextIsTheBuiltInOne) {
    for (const PackText& t : kTexts) {
        SCOPED_TRACE(t.key);
        UsePack("No Such Language");
        const CString builtIn = LoadLangString(t.key, t.text);
        const CString builtInControl = LoadLangControlText(t.key, t.text);
        UsePack(kDefaultLanguage);
        const CString shipped = LoadLangString(t.key, kMissing);
        if (kLeftOut.count(t.key)) {
            EXPECT_EQ(shipped, kMissing);
            continue;
        }
        // A pack cannot hold a carriage return: its '#' is a bare line feed,
        // which message boxes break on all the same.
        EXPECT_EQ(Unix(shipped.str()), Unix(builtIn.str()));
        if (std::string(t.text).find('\n') == std::string::npos) {
            EXPECT_EQ(LoadLangControlText(t.key, kMissing), builtInControl);
        }
    }
}

TEST_F(ShippedPack, HoldsNoKeyTheCodeDoesNotLookUp) {
    UsePack(kDefaultLanguage);
    std::vector<char> names(65536);
    DWORD length =
        GetPrivateProfileStringA(kLangSection, nullptr, "", names.data(), DWORD(names.size()), LangPackPath());
    ASSERT_GT(length, 0u) << LangPackPath().c_str();
    std::set<int> known;
    for (const PackText& t : kTexts) known.insert(t.key);
    std::set<std::string> seen;
    for (const char* name = names.data(); *name; name += lstrlenA(name) + 1) {
        EXPECT_TRUE(seen.insert(name).second) << name << " is in the pack twice";
        EXPECT_EQ(std::to_string(atoi(name)), name);
        EXPECT_TRUE(known.count(atoi(name))) << name;
    }
}

TEST_F(ShippedPack, HasASixteenPixelFlagBesideIt) {
    ExpectSixteenPixelFlag(CString(kShippedFolder) + "\\Lang\\English.bmp");
}
