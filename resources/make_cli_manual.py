#!/usr/bin/env python3
"""Writes the manual page skarvel-cli(1) with help2man from the program's own --help texts.

help2man formats the top-level help (synopsis and global options). Every command, found by
following the "Subcommands:" lists down to the commands that run, gets a subsection of the
DESCRIPTION made from its --help: usage line, summary, arguments and options. The hand-written
sections (exit status, examples, files) come from skarvel-cli.h2m.

Usage: make_cli_manual.py SKARVEL_CLI STATIC_INCLUDE OUTPUT
"""
import os
import re
import stat
import subprocess
import sys
import tempfile

# CLI11 lists "  NAME SPEC" padded to column 30, then the description; a longer name has its
# description on the next line, indented to that column.
ENTRY = re.compile(r"^  \S")
CONTINUATION = re.compile(r"^\s{20,}(\S.*)$")
DESCRIPTION_COLUMN = 30


def help_text(cli, words):
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")  # some commands load Qt
    return subprocess.run([cli, *words, "--help"], capture_output=True, text=True, check=True,
                          env=environment).stdout


def sections(text):
    """The help's summary and usage lines, and its "Heading:" lists as (heading, [(name, description)])."""
    lines = text.splitlines()
    summary = lines[0] if lines and not lines[0].startswith("Usage:") else ""
    usage = next((line[len("Usage: "):] for line in lines if line.startswith("Usage: ")), "")
    lists, current = [], None
    for index, line in enumerate(lines):
        if re.match(r"^\S.*:$", line):
            current = (line[:-1], [])
            lists.append(current)
        elif current is not None and ENTRY.match(line):
            following = lines[index + 1] if index + 1 < len(lines) else ""
            if CONTINUATION.match(following):
                current[1].append((line.strip(), CONTINUATION.match(following).group(1)))
            else:
                current[1].append((line[:DESCRIPTION_COLUMN].strip(), line[DESCRIPTION_COLUMN:].strip()))
    return summary, usage, dict(lists)


def commands(cli, words=()):
    """Every command that runs, as its words after the program name, with its help text."""
    text = help_text(cli, list(words))
    subcommands = sections(text)[2].get("Subcommands", [])
    if not subcommands:
        return [(words, text)]
    found = []
    for name, _ in subcommands:
        found += commands(cli, (*words, name))
    return found


def roff(text):
    return text.replace("\\", "\\e").replace("-", "\\-")


def sentence(text):
    text = text.strip()
    return (text[:1].upper() + text[1:] + ("" if text.endswith(".") else ".")) if text else ""


def command_section(text):
    summary, usage, lists = sections(text)
    lines = ['.SS "%s"' % roff(usage), roff(sentence(summary))]
    for heading in ("Positionals", "Options"):
        for name, description in lists.get(heading, []):
            if name.startswith("-h,--help"):
                continue  # every command has it
            lines += [".TP", ".B %s" % roff(name), roff(sentence(description))]
    return "\n".join(lines)


def top_level_help(text):
    """The top-level help without its list of commands, which the DESCRIPTION details."""
    kept, skipping = [], False
    for line in text.splitlines():
        if re.match(r"^\S.*:$", line):
            skipping = line == "Subcommands:"
        if not skipping:
            kept.append(line)
    return "\n".join(kept).rstrip() + "\n"


def main():
    cli, static_include, output = sys.argv[1:4]
    found = commands(cli)
    with open(static_include, encoding="utf-8") as f:
        static = f.read()
    generated = ["[>DESCRIPTION]", ".SH COMMANDS",
                 "Each command is shown with its arguments and options, as",
                 ".B skarvel\\-cli \\fIcommand\\fP \\-\\-help", "prints them."]
    generated += [command_section(text) for _, text in found]

    with tempfile.TemporaryDirectory() as work:
        include = os.path.join(work, "include.h2m")
        with open(include, "w", encoding="utf-8") as f:
            f.write("\n".join(generated) + "\n\n" + static)
        # help2man reads --help and --version from a program; this one prints the trimmed help.
        top_help = os.path.join(work, "top_help.txt")
        with open(top_help, "w", encoding="utf-8") as f:
            f.write(top_level_help(help_text(cli, [])))
        version = subprocess.run([cli, "--version"], capture_output=True, text=True, check=True).stdout
        program = os.path.join(work, "skarvel-cli")
        with open(program, "w", encoding="utf-8") as f:
            f.write('#!/bin/sh\nif [ "$1" = --version ]; then echo "%s"; else cat "%s"; fi\n'
                    % (version.strip(), top_help))
        os.chmod(program, stat.S_IRWXU)
        subprocess.run(["help2man", "--no-info", "--section=1", "--include", include,
                        "--output", output, program], check=True)


if __name__ == "__main__":
    main()
