// The table of English system error texts.
#include "support/ErrorTexts.h"

namespace orvane {

std::string EnglishErrorText(uint32_t code) {
  switch (code) {
    case 0:
      return "The operation completed successfully.";
    case 1:
      return "Incorrect function.";
    case 2:
      return "The system cannot find the file specified.";
    case 3:
      return "The system cannot find the path specified.";
    case 4:
      return "The system cannot open the file.";
    case 5:
      return "Access is denied.";
    case 6:
      return "The handle is invalid.";
    case 8:
      return "Not enough memory resources are available to process this command.";
    case 11:
      return "An attempt was made to load a program with an incorrect format.";
    case 13:
      return "The data is invalid.";
    case 15:
      return "The system cannot find the drive specified.";
    case 16:
      return "The directory cannot be removed.";
    case 17:
      return "The system cannot move the file to a different disk drive.";
    case 18:
      return "There are no more files.";
    case 19:
      return "The media is write protected.";
    case 21:
      return "The device is not ready.";
    case 32:
      return "The process cannot access the file because it is being used by another process.";
    case 33:
      return "The process cannot access the file because another process has locked a portion "
             "of the file.";
    case 39:
      return "The disk is full.";
    case 53:
      return "The network path was not found.";
    case 67:
      return "The network name cannot be found.";
    case 80:
      return "The file exists.";
    case 82:
      return "The directory or file cannot be created.";
    case 87:
      return "The parameter is incorrect.";
    case 112:
      return "There is not enough space on the disk.";
    case 123:
      return "The filename, directory name, or volume label syntax is incorrect.";
    case 145:
      return "The directory is not empty.";
    case 183:
      return "Cannot create a file when that file already exists.";
    case 193:
      return "%1 is not a valid Win32 application.";
    case 206:
      return "The filename or extension is too long.";
    case 267:
      return "The directory name is invalid.";
    default:
      return "";
  }
}

}  // namespace orvane
