// Entry point of kelvo-viewer. It runs in its installation folder: the
// working directory holds "Data/ScreenSettings.txt" and the show's files.

#include "app/App.h"

int main() { return qor::runViewer(); }
