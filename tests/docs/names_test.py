#!/usr/bin/python3
"""What README.md and docs/ name exists: every scripts/ command and its options, every
path of the tree and every linked file, every `scripts/test -R` selection selects tests,
and every prlport command and option they show is one that `prlport --help` lists.

  names_test.py REPO PRLPORT_EXE BUILD_DIR...    (BUILD_DIRs: ctest trees to select in)
"""
import glob
import re
import subprocess
import sys
from pathlib import Path

repo = Path(sys.argv[1])
prlport_exe = sys.argv[2]
build_dirs = [d for d in sys.argv[3:] if Path(d, "CTestTestfile.cmake").exists()]
documents = [repo / "README.md", *sorted((repo / "docs").glob("*.md")), repo / "docs/windows-readme.txt.in"]
faults = []

TOP_FOLDERS = "common|net|record|src|monitor|tests|bench|scripts|cmake|docs"
PATH = re.compile(r"(?<![\w/.\\-])(?:" + TOP_FOLDERS + r")/[\w.*/-]*")
SCRIPT = re.compile(r"(?<![\w/.-])scripts/([\w-]+)")
LINK = re.compile(r"\]\(([^)#\s]+)(?:#[^)]*)?\)")
PRLPORT = re.compile(r"\bprlport(?:\.exe\"?)? ([a-z0-9-]+)")


def lines_of(document):
    """Each line with whether it is code: in a fenced block, or the text of a code span."""
    in_block = False
    for number, line in enumerate(document.read_text(encoding="utf-8").splitlines(), 1):
        if line.startswith("```"):
            in_block = not in_block
            continue
        if in_block or document.suffix != ".md":
            yield number, line, [line]
        else:
            yield number, line, re.findall(r"`([^`]+)`", line)


def command_words(text, start):
    """The words of a command from start: to the end of its code span, or to the column of
    two or more blanks where a comment starts."""
    rest = re.split(r"`| {2,}|\t", text[start:])[0]
    return rest.split()


def fault(document, number, what):
    faults.append(f"{document.relative_to(repo)}:{number}: {what}")


def ctest_options():
    return subprocess.run(["ctest", "--help"], capture_output=True, text=True).stdout


def selects_tests(selection):
    for build in build_dirs:
        listing = subprocess.run(["ctest", "--test-dir", build, "-N", "-R", selection],
                                 capture_output=True, text=True).stdout
        found = re.search(r"Total Tests: (\d+)", listing)
        if found and int(found.group(1)) > 0:
            return True
    return False


def check_script(document, number, name, words, ctest_help):
    script = repo / "scripts" / name
    if not script.is_file():
        fault(document, number, f"scripts/{name} does not exist")
        return
    if name == "lab":  # a command of its own follows
        return
    words = [word.strip("[]") for word in words]
    for index, word in enumerate(words):
        if not word.startswith("-"):
            continue
        option = word.split("=")[0]
        if name == "test":  # ctest's options
            if not re.search(r"(^|[\s,])" + re.escape(option) + r"\b", ctest_help, re.M):
                fault(document, number, f"ctest takes no option {option}")
            if option == "-R" and index + 1 < len(words):
                selection = words[index + 1].strip("'\"")
                if build_dirs and not selects_tests(selection):
                    fault(document, number, f"scripts/test -R {selection} selects no test")
        elif option not in script.read_text():
            fault(document, number, f"scripts/{name} takes no option {option}")


def prlport_commands():
    """The options that `prlport --help` lists for each command."""
    help_text = subprocess.run(["wine", prlport_exe, "--help"], capture_output=True, text=True).stdout
    help_text = help_text.replace("\r", "")
    # The option groups that usage lines name by a word: SETTINGS, V3OPTIONS.
    groups = {name: set(re.findall(r"--[a-z-]+", body))
              for name, body in re.findall(r"^([A-Z0-9]+):(.*?)(?=\n\S|\Z)", help_text, re.S | re.M)}
    commands = {"--help": set(), "help": set()}
    for line in help_text.splitlines():
        for usage in re.findall(r"prlport ([a-z0-9-]+)([^,]*?)(?=, prlport |   |$)", line):
            name, rest = usage
            options = commands.setdefault(name, set())
            options.update(re.findall(r"--[a-z-]+", rest))
            for group, group_options in groups.items():
                if group in rest:
                    options.update(group_options)
    return commands


def check_prlport(document, number, text, commands):
    """In Markdown's code every `prlport WORD` is a command; in a plain text, prose may
    follow the name, and only the commands it names are checked."""
    for found in PRLPORT.finditer(text):
        name = found.group(1)
        if name not in commands:
            if document.suffix == ".md":
                fault(document, number, f"prlport has no command {name}")
            continue
        for option in re.findall(r"(?<![\w-])--[a-z-]+", " ".join(command_words(text, found.end()))):
            if option not in commands[name]:
                fault(document, number, f"prlport {name} takes no option {option}")


def check_path(document, number, path):
    path = path.rstrip(".,:;")
    if not glob.glob(str(repo / path)) and not glob.glob(str(repo / path) + ".*"):  # a module: its .h and .cpp
        fault(document, number, f"{path} does not exist")


def main():
    ctest_help = ctest_options()
    commands = prlport_commands()
    if len(commands) <= 2:
        print(f"prlport --help listed no commands ({prlport_exe})")
        return 1
    for document in documents:
        for number, line, code_texts in lines_of(document):
            for path in PATH.findall(line):
                check_path(document, number, path)
            for target in LINK.findall(line):
                if "://" not in target and not (document.parent / target).exists():
                    fault(document, number, f"the link {target} leads nowhere")
            for text in code_texts:
                for found in SCRIPT.finditer(text):
                    check_script(document, number, found.group(1), command_words(text, found.end()), ctest_help)
                check_prlport(document, number, text, commands)
    for line in dict.fromkeys(faults):  # a name that two checks find, once
        print(line)
    if not faults:
        print(f"docs: every name in {len(documents)} documents exists")
    return 1 if faults else 0


sys.exit(main())
