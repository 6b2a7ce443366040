#ifndef SHELLRESOURCES_H
#define SHELLRESOURCES_H

// The shell's icons are compiled into its static library; a static library's
// resource initialiser is only linked in when something refers to it, so the
// classes that load icons call this first. Safe to call any number of times.
void initShellResources();

#endif // SHELLRESOURCES_H
