#pragma once
// "norvikconf-cli report FILE --pdf OUT.pdf": the access list of a settings file as a PDF,
// without a display.
namespace cli {

// Runs the report command from the program's own arguments (argv[1] is "report") and returns
// its exit code. It starts its own application object: painting a PDF needs fonts.
int report_main(int argc, char *argv[]);

} // namespace cli
