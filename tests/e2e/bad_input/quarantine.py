#!/usr/bin/env python3
"""Checks what cleaning left on a test drive.

    quarantine.py readme <drive-folder> <letter>
        Reads the README.txt of the drive's latest quarantine folder (the cleaning's; the
        one Protect made for autorun.inf comes before it) and checks every file it lists as moved: the new path holds a file of
        the size and SHA-256 given, and the old path holds nothing. Prints one line per
        entry, "MOVED<tab><old path>", "NOTMOVED<tab><old path>" or "COPY<tab><new path>",
        and "PROBLEM<tab><what>" for each fault; exit status 1 when there is any.
    quarantine.py contents <drive-folder>...
        The multiset of the drives' contents: the SHA-256 of every file, one per line,
        sorted; the README.txt files that cleaning writes are left out, as they hold
        nothing that was on the drive, and so is the copy of autorun.inf that cleaning
        writes beside the files it moved (the file itself is in Protect's folder).
    quarantine.py step <state-folder> <losses> <letter>=<drive-folder>...
        For a sequence of steps: each drive's multiset of contents against the one the
        previous call kept in <state-folder>/<letter>.contents, less the contents in
        <losses> ("-", or "<letter>:<sha256>" entries joined by commas: an autorun.inf
        that Protect removed without a copy). Prints "LOST<tab><letter>: <sha256>" and
        "GAINED<tab><letter>: <sha256>" for every other difference (exit status 1), and
        keeps the new multisets.

Windows paths ("E:\\RECYCLER\\x.exe") are read against the drive folder.
"""
import hashlib
import os
import sys

QUARANTINE = "Lockbay quarantine"


def digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def linux_path(root, letter, windows_path):
    prefix = letter.upper() + ":\\"
    if not windows_path.upper().startswith(prefix):
        return None
    return os.path.join(root, *windows_path[len(prefix):].split("\\"))


def is_readme(root, folder, name):
    relative = os.path.relpath(folder, root).split(os.sep)
    return name == "README.txt" and len(relative) == 2 and relative[0] == QUARANTINE


def is_autorun_copy(root, folder, name):
    relative = os.path.relpath(folder, root).split(os.sep)
    if name != "autorun.inf.quarantined" or len(relative) != 2 or relative[0] != QUARANTINE:
        return False
    return bool(set(os.listdir(folder)) - {"README.txt", "autorun.inf.quarantined"})


def contents(roots):
    hashes = []
    for root in roots:
        for folder, _dirs, files in os.walk(root):
            for name in files:
                if not is_readme(root, folder, name) and not is_autorun_copy(root, folder, name):
                    hashes.append(digest(os.path.join(folder, name)))
    return sorted(hashes)


def readme(root, letter):
    problems = []
    base = os.path.join(root, QUARANTINE)
    stamps = sorted(os.listdir(base)) if os.path.isdir(base) else []
    if not stamps:
        print("PROBLEM\tno quarantine folder")
        return 1
    raw = open(os.path.join(base, stamps[-1], "README.txt"), "rb").read()
    if not raw.startswith(b"\xef\xbb\xbf"):
        problems.append("README.txt does not start with the UTF-8 byte-order mark")
    if b"\r\n" not in raw or b"\n" in raw.replace(b"\r\n", b""):
        problems.append("README.txt does not end its lines with CR LF")
    lines = raw.decode("utf-8-sig").split("\r\n")
    entry = {}
    copy_next = False
    for line in lines + [""]:
        if line.startswith("Old path: "):
            entry = {"old": line[len("Old path: "):], "copy": copy_next}
            copy_next = False
        elif line.startswith("New path: "):
            entry["new"] = line[len("New path: "):]
        elif line.startswith("Size: ") and line.endswith(" bytes"):
            entry["size"] = int(line[len("Size: "):-len(" bytes")])
        elif line.startswith("SHA-256: "):
            entry["sha"] = line[len("SHA-256: "):]
            new = linux_path(root, letter, entry["new"])
            old = linux_path(root, letter, entry["old"])
            if new is None or not os.path.isfile(new):
                problems.append("%s is not at its new path %s" % (entry["old"], entry["new"]))
            else:
                if os.path.getsize(new) != entry["size"]:
                    problems.append("%s: size %d in README, %d on the drive" % (entry["new"], entry["size"],
                                                                                os.path.getsize(new)))
                if digest(new) != entry["sha"]:
                    problems.append("%s: SHA-256 in README differs from the file" % entry["new"])
            if entry["copy"]:
                print("COPY\t%s" % entry["new"])
            else:
                if old is None or os.path.lexists(old):
                    problems.append("%s is still at its old path" % entry["old"])
                print("MOVED\t%s" % entry["old"])
        elif line.startswith("Not moved, still at its old path: "):
            print("NOTMOVED\t%s" % line[len("Not moved, still at its old path: "):])
        elif line.startswith("A copy of the autorun.inf file"):
            copy_next = True
    for problem in problems:
        print("PROBLEM\t%s" % problem)
    return 1 if problems else 0


def step(state, losses, pairs):
    from collections import Counter
    expected_losses = Counter()
    if losses != "-":
        for loss in losses.split(","):
            letter, sha = loss.split(":", 1)
            expected_losses[(letter, sha)] += 1
    any_problem = False
    for pair in pairs:
        letter, root = pair.split("=", 1)
        now = contents([root])
        kept = os.path.join(state, letter + ".contents")
        if os.path.exists(kept):
            before = Counter(open(kept).read().split())
            for (loss_letter, sha), count in expected_losses.items():
                if loss_letter == letter:
                    before.subtract({sha: count})
            after = Counter(now)
            for sha, count in (before - after).items():
                print("LOST\t%s: %s (%d)" % (letter, sha, count))
                any_problem = True
            for sha, count in (after - before).items():
                print("GAINED\t%s: %s (%d)" % (letter, sha, count))
                any_problem = True
        with open(kept, "w") as f:
            f.write("\n".join(now) + "\n")
    return 1 if any_problem else 0


def main(argv):
    if len(argv) == 4 and argv[1] == "readme":
        return readme(argv[2], argv[3])
    if len(argv) >= 5 and argv[1] == "step":
        os.makedirs(argv[2], exist_ok=True)
        return step(argv[2], argv[3], argv[4:])
    if len(argv) >= 3 and argv[1] == "contents":
        for h in contents(argv[2:]):
            print(h)
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
