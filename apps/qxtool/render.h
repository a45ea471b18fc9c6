#pragma once

// `qxtool render SCENE OUTPUT.png [--size WxH] [--camera perspective|front|side|top]
// [--frame-all] [--frame F] [--uv [--material N]]`, given the arguments after the command word.
// Returns the exit status (1 with a message on standard error on any failure, and no output
// file then).
int RenderCommand(int argc, const char* const* argv);
