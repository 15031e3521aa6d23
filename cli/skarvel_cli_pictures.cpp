// skarvel-cli-pictures: skarvel-cli's command line with the picture commands run here (Qt Gui).
#include "cli/common.h"

int main(int argc, char** argv) {
    return cli::runCommands(
        argc, argv, {cli::registerThemeOpen, cli::registerThemeCheck, cli::registerPreview, cli::registerThumbnail});
}
