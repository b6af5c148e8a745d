#include <windows.h>

#include "engine/engine_main.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { vantrel::EngineMain(instance); }
