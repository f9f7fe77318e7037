#!/usr/bin/env python3
"""Writes the glimmerbox-cli man page from the tool's own help texts.

usage: make-manpage.py CLI OUT VERSION

The command list comes from `CLI help`, each command's section from
`CLI help COMMAND`, so the page never drifts from what the tool says.
"""
import os
import re
import subprocess
import sys


def run(cli, *args):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([cli, *args], capture_output=True, text=True, env=env, timeout=60)
    if done.returncode != 0:
        sys.exit(f"make-manpage: {cli} {' '.join(args)} failed with status {done.returncode}")
    return done.stdout


def roff(text):
    """Escapes a line of plain text for roff: backslashes, and dots or quotes
    at the start of a line, which roff would take for requests."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: make-manpage.py CLI OUT VERSION")
    cli, out, version = sys.argv[1:]
    overview = run(cli, "help")
    commands = []
    for line in overview.splitlines():
        m = re.match(r"^  ([a-z][a-z0-9-]*)\s+(\S.*)$", line)
        if m:
            commands.append((m.group(1), m.group(2)))
    if not commands:
        sys.exit("make-manpage: no commands found in the help text")

    page = [
        f'.TH GLIMMERBOX-CLI 1 "" "Glimmerbox {version}" "User Commands"',
        ".SH NAME",
        "glimmerbox\\-cli \\- make photo stickers and sheets, and convert pictures, in batch",
        ".SH SYNOPSIS",
        ".B glimmerbox\\-cli",
        ".I command",
        "[\\fIarguments\\fR]",
        ".SH DESCRIPTION",
        "glimmerbox\\-cli runs Glimmerbox's picture engine from the command line: stickers "
        "(a photo behind a colour\\-keyed frame), sheets of stickers and project files, "
        "and every picture operation of the program. It reads and writes BMP, GIF, JPEG, "
        "PNG, ICO, TIFF, TGA, PCX, WBMP, JPEG 2000, PGX, PNM, Sun raster, MNG and SKA, and "
        "reads WMF/EMF and camera raw files.",
        ".PP",
        "Every command refuses options it does not know and a single\\-value option given "
        "twice (exit status 2); \\fB\\-\\-\\fR ends the options. Every file the tool writes "
        "appears whole or not at all.",
        ".SH COMMANDS",
    ]
    for name, summary in commands:
        page += [".SS " + roff(name), roff(summary)]
        detail = run(cli, "help", name).splitlines()
        # The first line repeats the summary.
        if detail and detail[0].startswith(name + ":"):
            detail = detail[1:]
        if detail:
            page.append(".PP")
            page.append(".nf")
            page += [roff(line) for line in detail]
            page.append(".fi")
    page += [
        ".SH EXIT STATUS",
        "0 on success, 1 when a picture or file cannot be read or written, 2 for a wrong "
        "command line.",
        ".SH ENVIRONMENT",
        ".TP",
        ".B GLIMMERBOX_HOME",
        "the application directory (settings file and template folders)",
        ".TP",
        ".B XDG_CONFIG_HOME",
        "where the per\\-user key store and the application profile live",
        ".TP",
        ".B GLIMMERBOX_STARTER",
        "the starter templates copied into missing template folders",
        ".SH SEE ALSO",
        ".BR glimmerbox (1)",
        "",
    ]
    tmp = out + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write("\n".join(page))
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
