#!/usr/bin/env python3
"""What a user keeps on a test drive, as one comparable record per file and folder.

    tree_hash.py snapshot <drive-folder>                  the record, on standard output
    tree_hash.py compare <before> <after> [--protect] [--clean]   differences; exit 1 if any
    tree_hash.py status <drive-folder>                    PROTECTED, INFECTED or UNPROTECTED
    tree_hash.py drives <state-folder> <protected> <cleaned> <letter>=<drive-folder>...

`drives` does it all at once for a sequence of steps: for each drive it records the
drive, compares it with the record of the previous call (kept in the state folder as
<letter>.last.tree; the drives whose letters are in <protected> may have lost their
autorun.inf file, those in <cleaned> may have been cleaned) and keeps the new record. It prints one line "LIST<tab><letter>:
<status>" per drive, in the order given (the drive list's line for it), and one line
"DIFF<tab><letter>: <difference>" per difference; the exit status is 1 if there is any.

A record line holds the path (relative to the drive root, "/" separated), the type
(dir, file or link), the Windows attributes that Wine keeps (Hidden and System in an
extended attribute, read-only as the missing write permission) and, for a file, its
size and SHA-256.

Left out are only the folders that the program itself makes and removes in a drive
root: the protection folder "autorun.inf" and the marker folder "advancedlockbay".
What lies inside them is recorded like everything else, so a user's file kept in such a
folder counts. An "autorun.inf" file in the root is recorded too; `compare --protect`
accepts that it is gone and that a folder of "Lockbay quarantine" holds it as
"autorun.inf.quarantined" with a README.txt (Protect moves it there), and nothing else.

`--clean` accepts what cleaning an infected drive does, and nothing else: a file that
is gone from its path reappears, with the same record (less Hidden and System), as "<path>.quarantined" in a
folder of "Lockbay quarantine"; that folder gains README.txt and the copy of
autorun.inf; a folder in the root loses its Hidden and System attributes.
"""
import hashlib
import os
import stat
import sys

PRODUCT_FOLDERS = {"autorun.inf", "advancedlockbay"}
ROOT_AUTORUN_FILE = "autorun.inf"
QUARANTINE = "Lockbay quarantine"
QUARANTINED = ".quarantined"


def dos_attributes(path):
    """The Hidden and System flags as Wine stores them, and read-only."""
    flags = []
    try:
        value = os.getxattr(path, "user.DOSATTRIB", follow_symlinks=False).decode("ascii", "replace")
        number = int(value.strip("\0").split()[0], 0)
        if number & 0x2:
            flags.append("H")
        if number & 0x4:
            flags.append("S")
    except (OSError, ValueError, IndexError):
        pass
    mode = os.lstat(path).st_mode
    if not stat.S_ISLNK(mode) and not mode & stat.S_IWUSR:
        flags.append("R")
    return "".join(flags) or "-"


def file_digest(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def snapshot(root):
    records = {}
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        relative_folder = os.path.relpath(folder, root)
        for name in sorted(dirs + files):
            full = os.path.join(folder, name)
            relative = name if relative_folder == "." else relative_folder + "/" + name
            mode = os.lstat(full).st_mode
            if stat.S_ISDIR(mode):
                if relative_folder == "." and name.lower() in PRODUCT_FOLDERS:
                    continue  # made and removed by the program; its contents still count
                records[relative] = "dir %s" % dos_attributes(full)
            elif stat.S_ISLNK(mode):
                records[relative] = "link %s" % os.readlink(full)
            else:
                size = os.lstat(full).st_size
                records[relative] = "file %s %d %s" % (dos_attributes(full), size, file_digest(full))
    return records


def write_snapshot(root):
    for path, record in sorted(snapshot(root).items()):
        print("%s\t%s" % (path, record))


def read_snapshot(file_name):
    records = {}
    with open(file_name, encoding="utf-8", errors="surrogateescape") as f:
        for line in f:
            line = line.rstrip("\n")
            if line:
                path, record = line.split("\t", 1)
                records[path] = record
    return records


def compare(before_file, after_file, protect, clean=False):
    problems = differences(read_snapshot(before_file), read_snapshot(after_file), protect, clean)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


def without_hidden_and_system(record):
    kind, flags, *rest = record.split(" ")
    flags = flags.replace("H", "").replace("S", "")
    return " ".join([kind, flags or "-"] + rest)


def from_protect(path):
    parts = path.split("/")
    if parts[0] != QUARANTINE:
        return False
    return len(parts) <= 2 or (len(parts) == 3 and parts[2] in ("autorun.inf.quarantined", "README.txt"))


def differences(before, after, protect, clean=False):
    problems = []
    # What cleaning moved: "<quarantine>/<stamp>/<path>.quarantined" -> the record it had.
    moved = {}
    for path, record in after.items():
        parts = path.split("/")
        if clean and parts[0] == QUARANTINE and len(parts) > 2 and path.endswith(QUARANTINED):
            moved["/".join(parts[2:])[: -len(QUARANTINED)]] = record
    for path in sorted(set(before) | set(after)):
        was, now = before.get(path), after.get(path)
        if was == now:
            continue
        if clean and was is None and path.split("/")[0] == QUARANTINE:
            continue  # the quarantine folder and what cleaning put into it
        if protect and was is None and from_protect(path):
            continue  # the quarantine folder that Protect moved autorun.inf into
        if clean and now is None and was is not None and moved.get(path) in (was, without_hidden_and_system(was)):
            continue  # moved into the quarantine as it was (less Hidden and System)
        if (clean and was is not None and now is not None and "/" not in path and was.startswith("dir ")
                and now == without_hidden_and_system(was)):
            continue  # a folder shown again
        if now is None:
            if protect and path.lower() == ROOT_AUTORUN_FILE and was.startswith("file "):
                continue  # Protect deletes a plain autorun.inf file in the root
            problems.append("lost: %s (%s)" % (path, was))
        elif was is None:
            problems.append("appeared: %s (%s)" % (path, now))
        else:
            problems.append("changed: %s (%s -> %s)" % (path, was, now))
    return problems


def drives(state, protected, cleaned, pairs):
    any_problem = False
    for pair in pairs:
        letter, root = pair.split("=", 1)
        last = os.path.join(state, letter + ".last.tree")
        now = snapshot(root)
        if os.path.exists(last):
            for problem in differences(read_snapshot(last), now, letter in protected, letter in cleaned):
                print("DIFF\t%s: %s" % (letter, problem))
                any_problem = True
        with open(last, "w", encoding="utf-8", errors="surrogateescape") as f:
            for path, record in sorted(now.items()):
                f.write("%s\t%s\n" % (path, record))
        print("LIST\t%s:    %s" % (letter, status(root)))
    return 1 if any_problem else 0


def status(root):
    """The status word the drive list should show for this drive root."""
    for name in os.listdir(root):
        if name.lower() != ROOT_AUTORUN_FILE:
            continue
        full = os.path.join(root, name)
        if os.path.isdir(full):
            return "PROTECTED"
        return "INFECTED"  # a file of that name, whatever its attributes
    return "UNPROTECTED"


def main(argv):
    if len(argv) >= 3 and argv[1] == "snapshot":
        write_snapshot(argv[2])
        return 0
    if len(argv) in (4, 5, 6) and argv[1] == "compare":
        return compare(argv[2], argv[3], protect="--protect" in argv[4:], clean="--clean" in argv[4:])
    if len(argv) >= 5 and argv[1] == "drives":
        return drives(argv[2], argv[3], argv[4], argv[5:])
    if len(argv) == 3 and argv[1] == "status":
        print(status(argv[2]))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
