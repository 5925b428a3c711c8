#!/usr/bin/env python3
"""Writes the guide's Ansible play for a local connection: the playbook and its action plugin
exactly as docs/volmoraConfig.md gives them, with the Windows modules replaced by their Linux
twins, the tool by the wrapper that runs it under Wine, and the paths the copy tasks name on the
host by their place in the Wine prefix.

Usage: guidePlay.py GUIDE OUTPUT_FOLDER WRAPPER DRIVE_C
"""
import re
import sys

ANSIBLE_SECTION = "### Ansible: win_command"
TOOL = "C:\\VOLM\\bin\\volmoraConfig.exe"


def blocks(text, language):
    return re.findall(r"^```" + language + r"\n(.*?)^```", text, re.S | re.M)


def translated(play, wrapper, drive_c):
    out = []
    for line in play.splitlines(keepends=True):
        line = line.replace("ansible.windows.win_copy:", "ansible.builtin.copy:")
        line = line.replace("ansible.windows.win_command:", "ansible.builtin.command:")
        copy_path = re.match(r"^(\s+(?:src|dest): )C:\\(.*)$", line)
        if copy_path:
            line = copy_path.group(1) + drive_c + "/" + copy_path.group(2).replace("\\", "/") + "\n"
        elif TOOL in line:
            # The command module splits its line as a POSIX shell does: a backslash escapes.
            line = line.replace(TOOL, wrapper).replace("\\", "\\\\")
        out.append(line)
    return "".join(out)


def main():
    guide, folder, wrapper, drive_c = sys.argv[1:5]
    text = open(guide, encoding="utf-8").read()
    section = text[text.index(ANSIBLE_SECTION):]
    play = blocks(section, "yaml")[0]
    plugin = blocks(section, "python")[0]
    if TOOL not in play:
        sys.exit("the guide's play names no " + TOOL)
    with open(folder + "/playbook.yml", "w", encoding="utf-8") as f:
        f.write(translated(play, wrapper, drive_c))
    with open(folder + "/action_plugins/volmora_plan.py", "w", encoding="utf-8") as f:
        f.write(plugin)


main()
