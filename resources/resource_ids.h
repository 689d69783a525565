#pragma once
// Identifiers of the resources built into installer.exe.
#define IDI_INSTALLER 1
// Built-in pictures are RCDATA resources named after their control.
