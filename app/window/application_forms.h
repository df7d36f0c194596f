// The program's windows, created once at start-up in this order: the main
// window, the progress window, the MP3 conversion dialog with its codec
// message, and the preferences dialog. The main window owns the others and
// reuses them for every command.
#pragma once

class TMainForm;

TMainForm* CreateApplicationForms();
