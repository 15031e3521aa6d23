// The command line shared by skarvel-cli and skarvel-cli-pictures: every subcommand, with the
// picture commands as the executable supplies them (run, or handed over to the other one).
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <new>

#include "cli/common.h"
#include "platform/errors.h"

int cli::runCommands(int argc, char** argv, const PictureCommands& pictureCommands) {
    cli::setCommandLine(argc, argv);
    CLI::App app{"Skarvel theme package tool: the editor's workflows without a window", "skarvel-cli"};
    app.set_version_flag("--version", "skarvel-cli " SKARVEL_VERSION);
    app.require_subcommand(1);
    cli::registerZip(app);
    cli::registerLs(app);
    cli::registerUnzip(app);
    cli::registerXml(app);
    cli::registerTheme(app, pictureCommands);
    pictureCommands.preview(app);
    pictureCommands.thumbnail(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (const cli::ExitCode& e) {
        return e.code;
    } catch (const platform::EAbort&) {
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "skarvel-cli: Out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "skarvel-cli: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
