// The program's one application object.
#include "PortManagerApp.h"

CPortManagerApp theApp;
