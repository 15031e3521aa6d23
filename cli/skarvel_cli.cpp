// skarvel-cli: the editor's workflows without a window and without Qt; the picture commands
// run in skarvel-cli-pictures.
#include "cli/common.h"

int main(int argc, char** argv) { return cli::runCommands(argc, argv, cli::forwardedPictureCommands()); }
