#pragma once

// `qxtool make-fps OUT.kel`: builds the playable sample scene through the library and saves it.
int MakeFpsCommand(int argc, const char* const* argv);

// `qxtool play SCENE [--frames N] [--script EVENTS] [--size WxH]`: runs the scene program over
// SCENE on an offscreen window, feeding the scripted mouse and key events and writing the
// snapshots the script asks for. Returns the exit status (1 with a message on failure).
int PlayCommand(int argc, const char* const* argv);
