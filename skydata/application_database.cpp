#include "skydata/application_database.h"

namespace {

CSkyDatabase* gDatabase = nullptr;
bool gTablet = false;

}  // namespace

CSkyDatabase* applicationSkyDatabase() { return gDatabase; }

void setApplicationSkyDatabase(CSkyDatabase* database) { gDatabase = database; }

bool runningOniPad() { return gTablet; }

void setRunningOniPad(bool tablet) { gTablet = tablet; }
