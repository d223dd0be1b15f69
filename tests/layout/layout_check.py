#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""The repository's layout, as the build states it.

  layout_check.py ROOT FLOORS

FLOORS has one line per folder of the system and of its hosts (cmake/Rooms.cmake writes it):
the folder, then the folders (ending in /) and headers its files may include. Fails on:
  - a file of a folder that includes from a folder, or a header, not on its line (a room
    reaching a room above it, or beside it);
  - a cycle of includes among the repository's files;
  - a build file that names a source outside its own folder;
  - a header that includes libmobi's private declarations (a header named ...Internals.h), which
    stay in the .cpp files of its room so that they never reach a room above it.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_SUFFIXES = ('.c', '.cpp', '.h', '.rc', '.def')
BUILD_WORD = re.compile(r'[^\s()"]+')
# A path from the repository's root, one that climbs, or one into another folder.
OUTSIDE = re.compile(r'\$\{(PROJECT_SOURCE_DIR|CMAKE_SOURCE_DIR)\}|\.\./|^[^$]*/')


def repository_files(root):
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith('.') and not d.startswith('build')]
        for name in files:
            yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, '/')


def read_floors(path):
    floors = {}
    with open(path, encoding='utf-8') as lines:
        for line in lines:
            fields = line.split()
            if fields:
                floors[fields[0]] = fields
    return floors


def folder_of(path, floors):
    """The declared folder that holds `path` most closely, or None."""
    best = None
    for folder in floors:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def includes_of(root, path):
    with open(os.path.join(root, path), encoding='utf-8', errors='replace') as source:
        return INCLUDE.findall(source.read())


def floor_faults(root, sources, floors):
    faults = []
    for path in sources:
        own = folder_of(path, floors)
        if own is None:
            continue
        allowed = floors[own]
        for included in includes_of(root, path):
            if '/' not in included:
                continue
            into = folder_of(included, floors)
            if included in allowed or (into is not None and into in allowed):
                continue
            faults.append(f'{path} includes {included}, above or beside {own}')
    return faults


def private_declaration_faults(root, sources):
    faults = []
    for path in sources:
        if path.endswith('.h'):
            faults += [f'{path} includes {included}, declarations for .cpp files only'
                       for included in includes_of(root, path)
                       if included.endswith('Internals.h')]
    return faults


def cycles(root, sources):
    graph = {path: [i for i in includes_of(root, path) if i in sources] for path in sources}
    state = {}
    found = []

    def visit(path, trail):
        state[path] = 'open'
        trail.append(path)
        for included in graph[path]:
            if state.get(included) == 'open':
                found.append(' -> '.join(trail[trail.index(included):] + [included]))
            elif included not in state:
                visit(included, trail)
        trail.pop()
        state[path] = 'done'

    for path in sorted(graph):
        if path not in state:
            visit(path, [])
    return found


def build_file_faults(root, files):
    faults = []
    for path in files:
        if not (path.endswith('/CMakeLists.txt') or path == 'CMakeLists.txt'):
            continue
        with open(os.path.join(root, path), encoding='utf-8') as build:
            text = re.sub(r'#[^\n]*', '', build.read())
        # A host folder's floors name headers; they build nothing.
        text = re.sub(r'quillsift_host_floors\([^)]*\)', '', text)
        for word in BUILD_WORD.findall(text):
            if word.endswith(SOURCE_SUFFIXES) and OUTSIDE.search(word):
                faults.append(f'{path} names {word}, outside its folder')
    return faults


def main():
    root, floors_path = sys.argv[1], sys.argv[2]
    floors = read_floors(floors_path)
    files = sorted(repository_files(root))
    sources = {path for path in files if path.endswith(('.c', '.cpp', '.h'))}
    faults = floor_faults(root, sorted(sources), floors)
    faults += [f'include cycle: {cycle}' for cycle in cycles(root, sources)]
    faults += build_file_faults(root, files)
    faults += private_declaration_faults(root, sorted(sources))
    for fault in faults:
        print(fault)
    print(f'layout: {len(floors)} folders with floors, {len(sources)} sources, '
          f'{len(faults)} faults')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
