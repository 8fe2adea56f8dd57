// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/commandline.h"

#include <string_view>

std::optional<std::string> InformationRequested(std::span<char* const> arguments)
{
    // Only whole words count: "--helpful" or "-help" are Qt's to take or leave, and "--"
    // ends nothing, since the window reads no file names.
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == nullptr)
            continue;
        const std::string_view word(arguments[i]);
        if (word == "--help")
            return WindowHelpText();
        if (word == "--version")
            return WindowVersionText();
    }
    return std::nullopt;
}

std::string WindowVersionText()
{
    return "quelix " QUELIX_VERSION "\n";
}

std::string WindowHelpText()
{
    return R"(Usage: quelix [Qt options]

Opens the Quelix window: free Mg++ and Ca++, the ligands ATP, EGTA, EDTA, ADP and phosphate
in their protonation states, and their Mg and Ca complexes, at a given pH and ionic
strength, in seven modes; the binding constants dialog; pCa series and the mixing table
of two stocks, with the titration curve and a bench sheet. Help > Help opens the manual.

Options:
  --help                   print this text and exit
  --version                print the version and exit
  Qt's own options are accepted as by every Qt program, for example -platform NAME or
  -style NAME; other arguments are ignored.

Files:
  The settings file (the mode and the inputs saved as defaults) is quelix.INI beside the
  program when it is there or the program's folder is writable, otherwise
  $XDG_CONFIG_HOME/quelix/quelix.INI (~/.config/quelix/quelix.INI when XDG_CONFIG_HOME is
  unset). The manual is manual.html beside the program or in ../share/doc/quelix.

The command-line tool quelix-cli computes the same without a window, for one set of inputs
or a CSV file of them; quelix-cli --help is its manual.
)";
}
