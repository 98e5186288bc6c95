#!/usr/bin/env python3
"""clang-tidy over the project's own translation units, from the main build's compile
database, once per translation unit, its passes remembered.

    tidy.py SOURCE_DIR BUILD_DIR

Each tracked .cpp that the build compiles is checked once, with the first of its compile
commands (a file compiled into two targets is not checked twice). A unit that passed is
known by a key: clang-tidy's version, every .clang-tidy of the checkout, its compile command
and the content of every file it includes, as the build's own dependency records (ninja -t
deps) list them. A unit whose key passed before, on this machine, is not checked again; the
keys live outside the checkout (${XDG_CACHE_HOME:-~/.cache}/quantaline/clang-tidy).
Any finding fails the run and goes to BUILD_DIR/clang-tidy.log.
"""
import concurrent.futures
import hashlib
import json
import os
import pathlib
import re
import shlex
import subprocess
import sys
import tempfile
import time


def tracked(source_dir, pattern):
    out = subprocess.run(["git", "ls-files", pattern], cwd=source_dir, check=True,
                         capture_output=True, text=True).stdout
    return [source_dir / line for line in out.splitlines() if line]


def dependencies(build_dir):
    """Object file -> the files it was built from, from ninja's dependency log."""
    out = subprocess.run(["ninja", "-C", str(build_dir), "-t", "deps"], check=True,
                         capture_output=True, text=True).stdout
    deps, current = {}, None
    for line in out.splitlines():
        if line and not line[0].isspace():
            current = line.split(":", 1)[0]
            deps[current] = []
        elif line.strip() and current is not None:
            deps[current].append(line.strip())
    return deps


def without_precompiled_header(entry):
    """The entry without the build's precompiled header: clang cannot read GCC's, and each
    file must include what it uses on its own."""
    arguments = entry.get("arguments") or shlex.split(entry["command"])
    kept, index = [], 0
    while index < len(arguments):
        if arguments[index] == "-include" and index + 1 < len(arguments) and re.search(
                r"cmake_pch\.hxx$", arguments[index + 1]):
            index += 2
            continue
        if arguments[index] != "-Winvalid-pch":
            kept.append(arguments[index])
        index += 1
    result = {key: value for key, value in entry.items() if key != "command"}
    result["arguments"] = kept
    return result


def digest_file(path, memo):
    if path not in memo:
        try:
            memo[path] = hashlib.sha256(pathlib.Path(path).read_bytes()).hexdigest()
        except OSError:
            memo[path] = "absent"
    return memo[path]


def main():
    source_dir = pathlib.Path(sys.argv[1]).resolve()
    build_dir = pathlib.Path(sys.argv[2]).resolve()
    database = json.loads((build_dir / "compile_commands.json").read_text())
    sources = {str(path) for path in tracked(source_dir, "*.cpp")}
    units = {}
    for entry in database:
        file = str((pathlib.Path(entry["directory"]) / entry["file"]).resolve())
        if file in sources and file not in units:
            units[file] = without_precompiled_header(entry)
    version = subprocess.run(["clang-tidy", "--version"], check=True, capture_output=True,
                             text=True).stdout
    common = hashlib.sha256(version.encode())
    for config in sorted(tracked(source_dir, "*.clang-tidy")):
        common.update(str(config.relative_to(source_dir)).encode() + config.read_bytes())
    deps = dependencies(build_dir)
    memo = {}
    cache = pathlib.Path(os.environ.get("XDG_CACHE_HOME", pathlib.Path.home() / ".cache"))
    cache = cache / "quantaline" / "clang-tidy"
    cache.mkdir(parents=True, exist_ok=True)

    keys, to_check = {}, []
    for file, entry in sorted(units.items()):
        key = common.copy()
        # The command with the checkout's own paths made relative: a clone elsewhere
        # reuses the keys.
        command = " ".join(entry["arguments"])
        key.update(command.replace(str(source_dir), "@").encode())
        arguments = entry["arguments"]
        output = entry.get("output") or (arguments[arguments.index("-o") + 1]
                                         if "-o" in arguments[:-1] else "")
        inputs = deps.get(output, [])
        if not inputs:
            key.update(b"no dependency record" + str(time.time()).encode())
        for path in [file] + inputs:
            absolute = pathlib.Path(entry["directory"], path).resolve()
            key.update(str(absolute).replace(str(source_dir), "@").encode())
            key.update(digest_file(absolute, memo).encode())
        keys[file] = key.hexdigest()
        if not (cache / keys[file]).exists():
            to_check.append(file)

    with tempfile.TemporaryDirectory() as folder:
        # One entry per unit: clang-tidy would run once for each entry of a file.
        pathlib.Path(folder, "compile_commands.json").write_text(
            json.dumps([units[file] for file in to_check]))
        log_path = build_dir / "clang-tidy.log"

        def check(file):
            # GCC's flags that clang does not know are dropped rather than reported.
            run = subprocess.run(["clang-tidy", "-p", folder, "--quiet",
                                  "--extra-arg=-Wno-unknown-warning-option",
                                  "--warnings-as-errors=*", file],
                                 capture_output=True, text=True)
            return file, run.returncode, run.stdout + run.stderr

        failed = []
        with open(log_path, "w") as log, concurrent.futures.ThreadPoolExecutor(
                os.cpu_count() or 1) as pool:
            for file, status, output in pool.map(check, to_check):
                log.write(output)
                if status == 0:
                    (cache / keys[file]).touch()
                else:
                    failed.append((file, output))
    reused = len(units) - len(to_check)
    if failed:
        findings = sorted({line for _, output in failed for line in output.splitlines()
                           if "warning:" in line or "error:" in line})
        print("\n".join(findings[:50]))
        print(f"FAILED: clang-tidy found the above in {len(failed)} of {len(to_check)} files "
              f"checked (whole output: {log_path})")
        return 1
    print(f"{len(units)} files clean for clang-tidy: {len(to_check)} checked, {reused} "
          "unchanged since they passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
