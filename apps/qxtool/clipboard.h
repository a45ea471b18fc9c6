#pragma once

// `qxtool copy SCENE [NAME...]` and `qxtool paste SCENE OUT [--into NAME]`: the library's
// clipboard between runs of the program. A command-line program has no system clipboard, so
// qxtool keeps the clipboard's content in a file (QX_CLIPBOARD_FILE, else
// $XDG_RUNTIME_DIR/qxdurerive-clipboard, else ~/.cache/qxdurerive/clipboard) that every run
// reads when it opens the clipboard and writes when it changed it. Return the exit status.
int CopyCommand(int argc, const char* const* argv);
int PasteCommand(int argc, const char* const* argv);
