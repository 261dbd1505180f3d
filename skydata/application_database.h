// What the catalogue model classes need of the application shell: its one
// database (created at launch and kept for the life of the process) and
// whether the device is a tablet. Until the shell exists, the program (or
// a test) installs them here.
#pragma once

class CSkyDatabase;

// The application's database, or null before one is installed.
CSkyDatabase* applicationSkyDatabase();
// Installs the database; the caller keeps ownership.
void setApplicationSkyDatabase(CSkyDatabase* database);

// True on a tablet-sized interface; false until set.
bool runningOniPad();
void setRunningOniPad(bool tablet);
