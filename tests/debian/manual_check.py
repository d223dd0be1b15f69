#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""Checks that quillsift-dump's reference keeps up with the tool: every option its --help names
is in the manual page and in docs/quillsift-dump.md, and man reads both manual pages without a
warning (where man is installed).

Usage: manual_check.py TOOL MAN_FOLDER REFERENCE
"""
import os
import re
import shutil
import subprocess
import sys


def main():
    tool, man_folder, reference = sys.argv[1:4]
    usage = subprocess.run([tool, '--help'], capture_output=True, text=True, check=True).stdout
    options = sorted(set(re.findall(r'(?<![\w-])(--[a-z][a-z-]*|-[a-z])\b', usage)))
    page_path = os.path.join(man_folder, 'quillsift-dump.1')
    page = open(page_path, encoding='utf-8').read().replace('\\-', '-')
    markdown = open(reference, encoding='utf-8').read()
    faults = []
    for option in options:
        for name, text in (('the manual page', page), ('docs/quillsift-dump.md', markdown)):
            if not re.search(r'(?<![\w-])' + re.escape(option) + r'(?![\w-])', text):
                faults.append(f'{option} is not in {name}')
    if shutil.which('man'):
        for page_name in sorted(os.listdir(man_folder)):
            result = subprocess.run(
                ['man', '--warnings', '-E', 'UTF-8', '-l', '-Tutf8', '-Z',
                 os.path.join(man_folder, page_name)],
                capture_output=True, text=True, env={**os.environ, 'LC_ALL': 'C.UTF-8'})
            if result.returncode != 0 or result.stderr.strip():
                faults.append(f'man warns of {page_name}: {result.stderr.strip()}')
    for fault in faults:
        print(f'FAIL {fault}')
    if not faults:
        print(f'ok   {len(options)} options of --help in the manual page and the reference: '
              + ' '.join(options))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
