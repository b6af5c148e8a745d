#include "builder/default_messages.h"

#include <utility>

namespace vantrel::builder {
namespace {

std::vector<std::wstring> MakeTable() {
    const std::pair<std::size_t, const wchar_t*> entries[] = {
        {0, L"Setup"},
        {1, L"Welcome"},
        {2, L"Existing Installation"},
        {3, L"<product> is already installed in this folder:\r\n\r\n%s\r\n\r\n%s"},
        {4, L"This version of <product> is already installed in this folder:\r\n\r\n%s\r\n\r\n%s"},
        {5,
         L"An older version of <product> is installed in this folder and will be "
         L"updated:\r\n\r\n%s\r\n\r\n%s"},
        {6, L"A newer version of <product> is installed in this folder:\r\n\r\n%s\r\n\r\n%s"},
        {7, L"Do you want to continue and install over it?"},
        {8, L"Checking the installation data..."},
        {9,
         L"An earlier version of <product> has to be removed before this version can be installed. "
         L"Please uninstall it first."},
        {10, L"Some parts of %ProductName% could not be removed:\r\n\r\n%s"},
        {11, L"Choose the folder in which <product> will be installed:"},
        {12, L"This installation needs %s, which is not installed on this computer."},
        {13,
         L"This installer is damaged and cannot continue. It may not have been downloaded "
         L"completely, or it may have been changed by a virus.\r\n\r\nPlease delete it, download a "
         L"fresh copy and try again. If the problem remains, check your computer for viruses."
         L"\r\n\r\nError code: %d"},
        {14, L"This folder cannot be used for the installation. Please choose another one."},
        {15, L"Uninstall Complete"},
        {16, L"Drive %s does not exist. Please choose another folder."},
        {17, L"Please choose a folder, not the top level of a drive."},
        {18, L"The program cannot be installed directly into %s. Please choose a folder inside it."},
        {19,
         L"The installation needs %s of disk space, but drive %s has only %s free.\r\n\r\n"
         L"Do you want to continue anyway?"},
        {20, L"Setup"},
        {21, L"Setup Error"},
        {22, L"The folder already exists:\r\n\r\n%s\r\n\r\nDo you want to install into it?"},
        {23, L"The folder does not exist yet and will be created:\r\n\r\n%s\r\n\r\nDo you want to continue?"},
        {24, L"Installation Folder"},
        {25, L"The folder could not be created:"},
        {26, L"Creating shortcuts..."},
        {27, L"Password:"},
        {28, L"Do you really want to stop the installation?"},
        {29, L"Unpacking files..."},
        {30,
         L"The folder name may contain only plain ASCII letters, digits and signs. Please choose "
         L"another folder."},
        {31, L"Failed:"},
        {32, L"Registering the product..."},
        {33, L"Uninstall"},
        {34, L"%ProductName% has been removed from your computer."},
        {35, L"Remove Shared File"},
        {36, L"Finishing the installation..."},
        {37, L"Windows has to be restarted to complete the installation. Do you want to restart now?"},
        {38, L"%s"},
        {39, L"Please wait while <product> is being installed."},
        {40,
         L"The installation has finished, but some steps failed. The details are in the log:\r\n\r\n"
         L"%s\r\n\r\nDo you want to open the log now?"},
        {41, L"Installation Problems"},
        {42, L"<product> has been installed successfully."},
        {43, L"Installation Complete"},
        {44, L"Licence Agreement"},
        {45, L"I &Agree"},
        {46, L"I &Decline"},
        {47, L"Please read the licence agreement below. You have to accept it to install <product>."},
        {48, L"&Next >"},
        {49, L"Cancel"},
        {50, L"Read Me"},
        {51, L"Please read the following information before you continue."},
        {52, L"B&rowse..."},
        {53, L"Do you want to remove %ProductName% and all of its parts from your computer?"},
        {54, L"Installing"},
        {55, L"Uninstall %ProductName%"},
        {56, L"Do you want to remove the font \"%s\"?"},
        {57, L"Remove Font"},
        {58, L"Could not delete:"},
        {59,
         L"The shared file\r\n\r\n%s\r\n\r\nis no longer used by any installed program that is known. "
         L"Do you want to remove it?"},
        {61, L"This program cannot be installed on %s."},
        {62, L"Verifying the installation data..."},
        {63, L""},
        {64, L""},
        {65, L"This will install <product> on your computer. Do you want to continue?"},
        {66, L"The program cannot be installed on a network drive. Please choose a local folder."},
        {67, L"Removing fonts..."},
        {68, L"Removing shared files..."},
        {69, L"Cleaning up the registry..."},
        {70, L"Preparing to uninstall..."},
        {71, L"Please wait while %ProductName% is being removed."},
        {72, L"A different version of <product> is already installed. Do you want to continue?"},
        {73, L"Files cannot be written to this folder:\r\n\r\n%s\r\n\r\nPlease choose another folder."},
        {74, L"Windows has to be restarted to finish removing %ProductName%. Do you want to restart now?"},
        {75, L"Password"},
        {76, L"This installation is protected by a password. Please type it to continue."},
        {77, L"Registering <file>..."},
        {78, L"Writing registry entries..."},
        {79, L"&Yes"},
        {80, L"&No"},
        {81, L"This program needs %s-bit Windows."},
        {82, L"Please choose the language of the installation:"},
        {83, L"&Open the product information"},
        {84, L"Open the &additional information"},
        {85, L"&View the installation log"},
        {86, L"Installation Log"},
        {87, L"&Start <product>"},
        {88, L"Choose the Start menu folder for the shortcuts of <product>:"},
        {89, L"Start Menu Folder"},
        {90, L"&Install"},
        {91, L"Another installation is running. Please wait until it has finished and try again."},
        {92, L"Space needed:"},
        {93, L"Space available:"},
        {94, L"Language"},
        {95, L"&Finish"},
        {96, L"Drive %s cannot be written to. Please choose another folder."},
        {97, L"Creating a system restore point..."},
        {98, L"The installation has been cancelled."},
        {100, L"&Retry"},
        {101, L"The removal of %ProductName% has been cancelled."},
        {102, L"The password is not correct. Please try again."},
        {104, L"&Uninstall"},
        {106,
         L"This computer has a version of <product> that cannot be replaced by a version below %s. "
         L"The installation cannot continue."},
        {107, L"Please close %s, then choose Retry."},
        {108, L"Removing installer packages..."},
        {109,
         L"Before you remove %ProductName%: would you like to visit our support page? Many problems "
         L"can be solved there."},
        {110, L"Get Support"},
        {111, L"Cancelled"},
        {112, L"This installation needs version %s or later of %s."},
        {113, L"Preparing the installation..."},
        {114, L""},
    };
    std::vector<std::wstring> table(kDefaultMessageCount);
    for (const auto& [number, text] : entries)
        table[number] = text;
    return table;
}

}  // namespace

const std::vector<std::wstring>& DefaultEnglishMessages() {
    static const std::vector<std::wstring> table = MakeTable();
    return table;
}

}  // namespace vantrel::builder
