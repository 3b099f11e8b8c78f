// ShredderKeys.h - the names Grindel shares with its installer, Grindhook and
// its scheduled tasks: registry keys and values, files, class identifiers and
// the language keys of the texts the start-up and the engine show.
#pragma once

namespace Grindel {

// Under HKEY_CURRENT_USER.
const char* const kProductKey = "Software\\Quorvane Grindel";
const char* const kProfileName = "Shredder";
const char* const kAlgorithmsName = "Algorithms";

const char* const kValueMethod = "Method";
// Name of the selected algorithm beside its index: the index of a user algorithm
// moves when another one is deleted or the registry enumerates differently.
const char* const kValueMethodName = "MethodName";
const char* const kValueLanguage = "Language";
const char* const kValueAppPath = "AppPath";
const char* const kValueAlertDisabled = "AlertDisabled";
const char* const kValueBinAlertDisabled = "BinAlertDisabled";
const char* const kValueFolder = "Folder";
const char* const kValueRemove = "Remove";

const char* const kDefaultLanguage = "English";
const char* const kAppPathUnset = "Empty";
const char* const kProgramFile = "Grindel.exe";
const char* const kLogFile = "log.txt";
const char* const kCreator = "Quorvane Grindel";

const char* const kLangSection = "Grindel Language Pack";

// Below HKEY_CLASSES_ROOT.
const char* const kRecycleBinClsid = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
const char* const kRecycleBinVerb = "shell\\Quorvane Grindel";
const char* const kSchedulerClsid = "CLSID\\{EB79BC53-151C-469D-B5C0-DACFFB14E452}";
const char* const kContextMenuClsid = "CLSID\\{82F4E188-BEAF-43d7-B3D0-2B8113D4B471}";
const char* const kSchedulerDll = "Tasklatch.dll";
const char* const kContextMenuDll = "Grindhook.dll";
const char* const kRecycleWord = "recycle";

const int kBufferSize = 65536;

// Language keys and their English texts.
enum TextKey {
    TXT_MEMORY = 9006,
    TXT_COM_INIT = 9007,
    TXT_KERNEL32 = 9008,
    TXT_KERNEL32_FUNCTIONS = 9009,
    TXT_PROGRESS_DIALOG = 9010,
    TXT_FIND_HANDLE = 9011,
    TXT_TEMP_FOLDER = 9012,
    TXT_BIN_APIS = 9014,
    TXT_BIN_EMPTY = 9015,
    TXT_TEMP_FILES = 9013,
    TXT_LINK_LEFT = 9020,
    TXT_RESTORE_POINTS = 9026,
    TXT_FREE_SPACE_WARNING = 9027,
    TXT_QUOTA = 9033,
    TXT_ACCESS = 9034,
    TXT_SID = 9035,
    TXT_ATTRIBUTES = 9036,
    TXT_EXCLUSIVE = 9037,
    TXT_NOT_DELETED = 9038,
    TXT_SKIP_FOLDER = 9039,
    TXT_SYSTEM_FOLDER = 9040,
    TXT_SHRED_SUBFOLDER = 9041,
    TXT_REMOVE_SUBFOLDER = 9042,
    TXT_REMOVE_FAILED = 9043,
    TXT_ERROR_CODE = 9044,
    TXT_NO_FREE_SPACE_USER = 9045,
    TXT_NO_FREE_SPACE = 9046,
    TXT_WRITE_FAILED = 9047,
    TXT_BIN_QUERY = 9048,
    TXT_BIN_CONFIRM = 9049,
    TXT_BIN_ABORT = 9050,
    TXT_BIN_UNTOUCHED = 9079,
    TXT_CLEAR_FAT = 9076,
    TXT_CLEAR_ROOT = 9077,
    TXT_DRIVE_WRITE = 9078,
    TXT_UNSUPPORTED_FS = 9081,
    TXT_UNKNOWN_FS = 9082,
    TXT_CONFIRM_DRIVE = 9083,
    TXT_CONFIRM_MANY = 9051,
    TXT_TASK_ATTRIBUTES = 9054,
    TXT_TASK_SUBFOLDERS = 9055,
    TXT_TASK_REMOVE = 9056,
    TXT_CONFIRM_ONE = 9052,
    TXT_NOT_OBJECT = 9053,
    TXT_CONTEXT_MENU = 9059,
    TXT_SCHEDULER = 9060,
    TXT_BIN_ALERT = 9062,
    TXT_FREE_SPACE_CAPTION = 9063,
    TXT_INSTANCE = 9065,
    TXT_BAD_ALGORITHM = 9088,
    TXT_NOT_AVAILABLE = 9089,
    TXT_VOLUME_LOCK = 9090,
    TXT_DRIVE_REFUSED = 9091,
    TXT_ALG_BACKSLASH = 9092,
    TXT_FILL_COMPRESSED = 9093,
    TXT_TASK_CREATE_FAILED = 9094,
    TXT_TASK_SAVE_FAILED = 9095,
    TXT_TASK_DELETE_FAILED = 9096,
    TXT_TASK_NO_ALGORITHM = 9097,
    TXT_FILL_INCOMPLETE = 9098,
    TXT_TASK_PROPERTIES_FAILED = 9099,
    TXT_TASK_RUN_FAILED = 9100,
    TXT_TASK_DAMAGED = 9150,
    TXT_TASK_NAME_INVALID = 9151,
    TXT_TASK_NAME_TOO_LONG = 9152,
    // The Task Scheduler's own errors, 0x80041309 to 0x80041315 in order.
    TXT_SCHED_ERROR_FIRST = 9153,
    TXT_SCHED_ERROR_LAST = 9165,
    TXT_TASK_NOT_RENUMBERED = 9166,
    TXT_OTHER_NAMES = 9170,
    TXT_FOLDER_RENAMED = 9171,
    TXT_BIN_LEFT = 9172,
    TXT_BIN_NOT_EMPTIED = 9173,
    TXT_PIPE_LEFT = 9174,
    TXT_DEVICE_LEFT = 9175,
    TXT_NO_ITEMS = 9180,
    TXT_UNREAD = 9181,
    TXT_LIST_UNREADABLE = 9182,
    TXT_TOO_MANY_ITEMS = 9183,
    TXT_SUBFOLDER_SKIPPED = 9184,
    TXT_FOLDER_KEPT = 9185,
    TXT_QUOTA_NOTE = 9186,
    TXT_PATH_TOO_LONG = 9187,
    TXT_TOO_DEEP = 9188,
    TXT_AND_MORE = 9189,
    TXT_NOT_FORMATTED_NAMES = 9190,
    TXT_NOT_FORMATTED_EMPTY = 9191,
    TXT_DRIVE_PARTLY = 9192,
    TXT_DAMAGED_LINE = 9193,
    TXT_RUN_ENDED_EARLY = 9194,
    TXT_RUN_UNREADABLE = 9195,
    TXT_TOO_MANY_CHOSEN = 9196,
    TXT_DRIVE_WHOLE = 9305,
    TXT_DRIVE_AFTER = 9306,
    TXT_DRIVE_LEAVE = 9307,
    TXT_DRIVE_FORMAT = 9308,
    TXT_PRODUCT_TITLE = 9606,
    TXT_PROGRESS_CAPTION = 9900,
    TXT_PROGRESS_CANCEL = 9901,
    TXT_BIN_CAPTION = 9902,
    TXT_PREPARING_FILES = 9908,
    TXT_PREPARING_WAIT = 9909,
    TXT_DELETING_FILES = 9911,
    TXT_DELETING_WAIT = 9912,
    TXT_BIN_EMPTYING = 9913,
    TXT_TEMP_FILE_OF = 9914,
    TXT_SHREDDING = 9915,
    TXT_PREPARING = 9916,
    TXT_FREE_SPACE_PROGRESS = 9917,
    TXT_TEMP_FILE_PASS = 9919,
    TXT_DRIVE_CAPTION = 9920,
    TXT_PASS = 9921,
    TXT_PASS_PATTERN = 9922,
    TXT_PASS_RANDOM = 9923,
    TXT_PASS_COMPLEMENT = 9924,
    TXT_SHELL32_ALERT = 11000,
    TXT_ALERT_CHECK = 11001,
    TXT_ALERT_OK = 11002,
    TXT_RECYCLE_VERB = 12000,
};

const char* const kTextProductTitle = "Quorvane Grindel";
const char* const kTextMemory = "Memory allocation error.";
const char* const kTextComInit = "COM Library init failed.";
const char* const kTextKernel32 = "Could not access KERNEL32.DLL";
const char* const kTextKernel32Functions = "Unable to access required functions in kernel32.dll";
const char* const kTextProgressDialog = "Unable to create progress dialog.";
const char* const kTextBinApis = "Could not access Recycle Bin APIs.";
const char* const kTextFindHandle = "Invalid find handle.";
const char* const kTextTaskAttributes =
    "Warning\n%s\nis marked with the System, Hidden,\nand/or Read-only attributes.\n\n"
    "Are you sure you want to add it to the current task?";
const char* const kTextTaskSubfolders = "Do you want to shred all sub folders?";
const char* const kTextTaskRemove = "Do you want to remove all sub folders after shredding?";
const char* const kTextDriveWhole = "Shred the whole &drive.";
const char* const kTextDriveAfter = "&After shredding whole drive";
const char* const kTextDriveLeave = "&Leave drive as it's.";
const char* const kTextDriveFormat = "&Format drive.";
const char* const kTextBinAlert =
    "Warning: This function may conflict with other software that is designed to \"protect\" or \"preserve\" the "
    "contents of your Recycle Bin. If you have such software installed on your system, this function may not work "
    "properly and/or have undesireable side-effects.";
const char* const kTextBinEmpty = "The recycle bin is currently empty.";
const char* const kTextBinQuery = "Call to SHQueryRecycleBin failed.\nError code 0x";
const char* const kTextBinConfirm =
    "Warning: This will shred all files and folders\ncurrently stored in the Recycle Bin on all localhard drives.\n\n"
    "Are you sure you want to do this?";
const char* const kTextBinAbort =
    "User abort or fatal error while processing drive %c:\nFiles in recycle bin on previous drives have been "
    "shredded.\nSome or all of the files in recycle bin on drive %c: have had\ntheir contents shredded and may or may "
    "not be useable if restored.\nFiles in Recycle Bin on following drives are not affected.";
const char* const kTextBinUntouched = "\n\nNone of the Recycle Bin's contents have been modified.";
const char* const kTextBinCaption = "Shredding Recycle Bin";
const char* const kTextBinEmptying = "Emptying Recycle Bin on drive";
const char* const kTextBinDesktopIni = "[.ShellClassInfo]\r\nCLSID={645FF040-5081-101B-9F08-00AA002F954E}\r\n";
const char* const kTextTempFolder = "Unable to create temporary folder.";
const char* const kTextTempFiles = "Error creating temporary files.";
const char* const kTextRestorePoints =
    "Under Windows XP and Windows ME, this command may cause the System\nRestore feature to discard all of your "
    "existing Restore Points, and\ncreate a new Restore Point after shredding is complete.\n\nAre you sure you wish "
    "to proceed?";
const char* const kTextFreeSpaceWarning =
    "This function allocates all available free space on the selected drive.\nTherefore, it is normal for Windows to "
    "present a warning prompt\nthat you have run out of disk space while Shred is working. Some\nversions of Windows "
    "may offer to launch the Disk Cleanup utility for you.\nIf this prompt appears (and it may appear more than "
    "once), just\nacknowledge it and do not launch the Disk Cleanup utility.\n\nIt is also strongly recommended "
    "that you close any other applications\nthat may attempt to write to the selected drive while Shred is "
    "working.\n\nShredding large amounts (e.g, gigabytes) of free space may take several\nhours, especially if "
    "you're using the \"Thorough shred\" option.\n\nIf you don't want to shred free space now, either click the "
    "Cancel\nbutton or press {Esc}";
const char* const kTextQuota =
    "There is a disk space quota in effect for your account. Quorvane Grindel will only be able to shred the amount "
    "of free space available to your account, not necessarily the entire disk. Do you wish to proceed anyway?";
const char* const kTextNoFreeSpaceUser = "There is no free space available on drive %c\nfor the current user account.";
const char* const kTextNoFreeSpace = "Three is no free space available on drive %c";
const char* const kTextFreeSpaceCaption = "Shred free space warning";
const char* const kTextPreparingFiles = "Preparing temporary files.";
const char* const kTextPreparingWait = "This may take a minute or two.";
const char* const kTextDeletingFiles = "Deleting temporary files.";
const char* const kTextDeletingWait = "This may take a moment.";
const char* const kTextTempFileOf = "%s temporary file %u of %t.";
const char* const kTextShredding = "Shredding";
const char* const kTextPreparing = "Preparing";
const char* const kTextFreeSpaceProgress = "Shredding free space on drive";
const char* const kTextTempFilePass = "%s (%u of %t)";
const char* const kTextAccess = "Error: Unable to access\n%s";
const char* const kTextSid = "Could not obtain current user's SID\nError code%u.";
const char* const kTextAttributes =
    "Warning\n%s\nis marked with the System, Hidden,\nand/or Read-only attributes.\n\n"
    "Are you sure you want to shred it?";
const char* const kTextExclusive =
    "Could not obtain exclusive access to\n%s\n\nFiles that are in use by other programs\n"
    "or Windows itself cannot be shredded.";
const char* const kTextNotDeleted =
    "The contents of \n%s\nhave been shredded, but Quorvane Grindel was unable to delete the file.\n"
    "This could be caused by either a hardware failure or\nan error within the disk's directory structure.\n\n"
    "Click OK (or press Enter) to proceed with remaining files (if any).\n"
    "Click Cancel (or press Esc) to abandon any further processing.";
const char* const kTextLinkLeft =
    "%s\nis a link: neither it nor what it leads to has been shredded.\n"
    "The link could not be removed without touching what it leads to, so it has been left as it is.";
const char* const kTextOtherNames =
    "%s\nhas other names (hard links) that share its contents: neither it nor they have been shredded, and it has "
    "been left as it is.";
const char* const kTextFolderRenamed =
    "The folder\n%s\ncould not be removed, nor given its own name back. It is now named\n%t";
const char* const kTextBinLeft =
    "The Recycle Bin on drive %c: has not been emptied.\nThese items stay in it unshredded (a link, an item in use "
    "or with other names, or no file at all): emptying the bin would remove them unshredded, or reach what a link "
    "leads to:%s";
const char* const kTextBinNotEmptied = "The Recycle Bin on drive %c: could not be emptied.\nError code: %s";
const char* const kTextPipeLeft =
    "%s\nis a named pipe, not a file: it holds no data to shred, and it has been left as it is.";
const char* const kTextDeviceLeft =
    "%s\nis a device or a socket, not a file: nothing has been written to it, and it has been left as it is.";
const char* const kTextNoItems = "Error: the command line names nothing to shred.\nNothing has been shredded.";
const char* const kTextUnread =
    "Error: this part of the command line is not between two double quotes, so it has not been read:\n%s";
const char* const kTextDamagedLine =
    "Error: the command line of this scheduled run is damaged.\nNothing has been shredded.";
const char* const kTextRunEndedEarly =
    "Ended early: this run was stopped before it finished, by its task's time limit, by another program or because "
    "the computer stopped. Some of its items may not have been shredded.";
const char* const kTextRunUnreadable = "The record of an earlier run could not be read. It is kept in\n%s";
const char* const kTextTooManyChosen =
    "More files were chosen than the dialog can hand to Quorvane Grindel at once, so none of them has been added.\n"
    "Choose fewer files at a time.";
const char* const kTextListUnreadable =
    "Error: the list of items to shred\n%s\ncould not be read. None of the items in it has been shredded.";
const char* const kTextTooManyItems =
    "Only %u of the %t selected items can be handed to Quorvane Grindel at once, and the list of them could not be "
    "written to the folder for temporary files.\nNothing has been shredded: select at most %u items at a time.";
const char* const kTextSubfolderSkipped =
    "Not shredded: the subfolder\n%s\nhas been left as it is. A scheduled run asks no questions, and its task "
    "does not say to shred subfolders.";
const char* const kTextFolderKept =
    "Not removed: the folder\n%s\nhas been kept. A scheduled run asks no questions, and its task does not say to "
    "remove subfolders.";
const char* const kTextQuotaNote =
    "A disk space quota is in effect for your account: only the free space available to your account has been "
    "shredded, not necessarily all of the disk's free space.";
const char* const kTextPathTooLong =
    "Not shredded: these items in\n%s\ncould not be reached, since their paths are longer than Windows allows "
    "(%u characters):%t";
const char* const kTextTooDeep =
    "Not shredded: these items in\n%s\ncould not be reached, since they lie more than %u folders deep:%t";
const char* const kTextAndMore = "and %u more.";
const char* const kTextNotFormattedNames =
    "Drive %s has been overwritten, but it has not been formatted.\nIts %t file system is still on it and still "
    "holds the names of the files and folders that were on the drive, though not their contents.\nFormat the drive "
    "to remove them.";
const char* const kTextNotFormattedEmpty =
    "Drive %s has been overwritten, but it has not been formatted.\nIts %t file system is still on it, empty but "
    "for its volume label.";
const char* const kTextDrivePartly =
    "The shred of drive %s was stopped before it ended.\nThe drive has been partly overwritten: its files can no "
    "longer be read, but parts of their contents are still on it.\nShred the whole drive again to remove them.";
const char* const kTextSkipFolder = "Skipping %s folder.";
const char* const kTextSystemFolder = "Warning:\n%s\nis marked as a System folder.\nAre you sure you want to shred it?";
const char* const kTextShredSubfolder = "Shred subfolder:\n%s?";
const char* const kTextRemoveSubfolder = "Remove folder:\n%s?";
const char* const kTextRemoveFailed = "Unable to remove folder:\n%s\n\n";
const char* const kTextErrorCode = "Error code: %u (%s).";
const char* const kTextWriteFailed =
    "Write failed due to unexpected error.\r\nSystem error message: %s\r\nSystem error code: 0x";
const char* const kTextClearFat = "Failed to clear the FAT table.";
const char* const kTextClearRoot = "Failed to clear the root directory.";
const char* const kTextDriveWrite = "Failed to write on drive.";
const char* const kTextUnsupportedFs =
    "Quorvane Grindel doesn't support this drive's file system.\nQuorvane Grindel supports only FAT16, FAT32 and NTFS "
    "drives.";
const char* const kTextVolumeLock =
    "Could not lock drive %s for the shred: files on it are in use.\n\n"
    "Close the programs and windows that use the drive, then try again.\nNothing has been written.";
const char* const kTextDriveRefused =
    "Drive %s holds Windows or Quorvane Grindel itself and cannot be shredded whole.\nNothing has been written.";
const char* const kTextAlgBackslash = "An algorithm name cannot hold \"\\\".\nPlease change the algorithm name.";
const char* const kTextFillCompressed =
    "The free space of drive %s cannot be shredded: its temporary files stay compressed or encrypted.";
const char* const kTextTaskCreateFailed = "The Task Scheduler could not create the task \"%s\".";
const char* const kTextTaskSaveFailed = "The Task Scheduler could not save the task \"%s\". It was not scheduled.";
const char* const kTextTaskDeleteFailed = "The Task Scheduler could not delete the task \"%s\".";
const char* const kTextTaskNoAlgorithm =
    "The task \"%s\" used the deleted algorithm: it shreds nothing until you schedule it again.";
const char* const kTextFillIncomplete =
    "The free space of drive %s has not been shredded: the temporary files ended before the drive was full.\n"
    "Deleted data may still be found on the drive.";
const char* const kTextTaskPropertiesFailed = "The Task Scheduler could not show the properties of the task \"%s\".";
const char* const kTextTaskRunFailed = "The Task Scheduler could not run the task \"%s\".";
const char* const kTextTaskDamaged = "%s (damaged)";
const char* const kTextTaskNotRenumbered =
    "The task \"%s\" could not be given its algorithm's new number: its file is in use by another program or "
    "damaged.\nIt may now shred with another algorithm. Please, Schedule it again.";
const char* const kTextTaskNameInvalid =
    "A task name cannot hold any of the characters \\ / : * ? \" < > | and cannot be a device name such as CON or "
    "NUL.\nPlease, Specify another name.";
const char* const kTextTaskNameTooLong = "A task name can have at most %s characters.\nPlease, Specify a shorter name.";
// The errors of the Task Scheduler (facility ITF, codes 0x1309 to 0x1315) that
// the system may have no text for; TXT_SCHED_ERROR_FIRST + (code - 0x1309).
const char* const kTextSchedErrors[] = {
    "The task has no such trigger.",
    "The task is not ready to run: a setting it needs to run, such as its program or its account, is not set.",
    "The task is not running.",
    "The Task Scheduler service is not installed on this computer.",
    "The task file cannot be opened.",
    "The task file is damaged: it does not hold a valid task.",
    "The account the task runs under has not been set.",
    "The account the task runs under cannot be found.",
    "The Task Scheduler's store of account information is damaged.",
    "This version of Windows has no security services for the task's account.",
    "The task file was made by a version of the Task Scheduler that this one does not know.",
    "The task's account option is not supported on this computer.",
    "The Task Scheduler service is not running.",
};
const char* const kTextUnknownFs = "Failed to detect the drive's file system.";
const char* const kTextConfirmDrive =
    "WARNING: Shredding will erase ALL data on this drive.\nAre you sure you want to continue?";
const char* const kTextDriveCaption = "Shredding drive";
const char* const kTextConfirmMany =
    "WARNING: Shredded files and folders cannot be recovered.\nAre you sure you want to shred these %u items?";
const char* const kTextConfirmOne =
    "WARNING: Shredded files and folders cannot be recovered.\nAre you sure you want to shred\n%s?";
const char* const kTextNotObject = "Error:\n\"%s\"\nIs not a valid file system object";
const char* const kTextContextMenu =
    "Couldn't access Grindhook.dll.\nUnfortunately, The program won't appeared in the context menu.";
const char* const kTextScheduler =
    "Couldn't access Tasklatch.dll.\nUnfortunately, The scheduler function couldn't work.";
const char* const kTextInstance = "There's an instance running of the program so you can't run another instance.";
const char* const kTextBadAlgorithm = "Error: There is no shredding algorithm number %d.\nNothing has been shredded.";
const char* const kTextNotAvailable = "Error:\n\"%s\"\ncannot be shredded from the command line.";
const char* const kTextProgressCaption = "Shredding.....";
const char* const kTextProgressCancel = "Cancel";
const char* const kTextPass = "Pass %d of %e";
const char* const kTextPassPattern = ": Writing";
const char* const kTextPassRandom = ": Write random data.";
const char* const kTextPassComplement = ": Write complementary to previous pass pattern.";
const char* const kTextShell32Alert =
    "Your system's copy of SHELL32.DLL is version 4.70 or older. As a result, the Shred recycle bin command "
    "will be unavailable. You can remedy this situation by installing Internet Explorer 4.0 or later on your "
    "system.";
const char* const kTextAlertCheck = "&Don't show me this again.";
const char* const kTextAlertOk = "OK";
const char* const kTextRecycleVerb = "Quorvane Shred Recycle Bin";
const char* const kTextSuccess = "Success";
const char* const kTextSessionEnded = "Interrupted: Windows was shutting down or the user logged off. "
                                      "Not every item was shredded.";
const char* const kTextTaskName = "Task Name: ";

}  // namespace Grindel
