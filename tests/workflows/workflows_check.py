#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""Checks that the GitHub workflows are thin: each parses, each `run` step runs a script of the
repository (`bash PATH ...`) that exists, and every such script is one that CI runs too: named by
.ci/run, or by a script that .ci/run names, and so on. A step that is not a `run` may only check
out the repository.

Usage: workflows_check.py REPOSITORY
"""
import os
import re
import sys

import yaml

# A repository script named in a script or a step.
SCRIPT = re.compile(r'(?<![\w./-])((?:\.ci|tools|tests|integrations|bench|package)/[\w./-]+\.(?:sh|py)|\.ci/run)\b')
ALLOWED_ACTIONS = ('actions/checkout@',)


def scripts_named(text):
    return set(SCRIPT.findall(text))


def scripts_ci_runs(root):
    """.ci/run and every script it names, followed through the scripts they name."""
    seen = set()
    pending = ['.ci/run']
    while pending:
        path = pending.pop()
        if path in seen or not os.path.isfile(os.path.join(root, path)):
            continue
        seen.add(path)
        with open(os.path.join(root, path), encoding='utf-8') as script:
            pending.extend(scripts_named(script.read()))
    return seen


def main():
    root = sys.argv[1]
    folder = os.path.join(root, '.github', 'workflows')
    ci_runs = scripts_ci_runs(root)
    faults = []
    names = sorted(name for name in os.listdir(folder) if name.endswith(('.yml', '.yaml')))
    for expected in ('ci.yml', 'release.yml'):
        if expected not in names:
            faults.append(f'no .github/workflows/{expected}')
    for name in names:
        try:
            with open(os.path.join(folder, name), encoding='utf-8') as file:
                workflow = yaml.safe_load(file)
        except yaml.YAMLError as error:
            faults.append(f'{name}: does not parse: {error}')
            continue
        # YAML 1.1 reads the key `on` as true.
        if not isinstance(workflow, dict) or ('on' not in workflow and True not in workflow):
            faults.append(f'{name}: no trigger (`on`)')
            continue
        jobs = workflow.get('jobs') or {}
        if not jobs:
            faults.append(f'{name}: no job')
        for job_name, job in jobs.items():
            for index, step in enumerate(job.get('steps') or [], 1):
                where = f'{name}: job {job_name}, step {index}'
                if 'uses' in step:
                    if not step['uses'].startswith(ALLOWED_ACTIONS):
                        faults.append(f'{where}: uses {step["uses"]}, not a script of the repository')
                    continue
                command = ' '.join(str(step.get('run', '')).split())
                if not command.startswith('bash '):
                    faults.append(f'{where}: runs `{command}`, not `bash SCRIPT`')
                    continue
                named = command.split()[1]
                if not os.path.isfile(os.path.join(root, named)):
                    faults.append(f'{where}: names {named}, which does not exist')
                elif named not in ci_runs:
                    faults.append(f'{where}: names {named}, which CI does not run')
                else:
                    print(f'ok   {where}: bash {named}')
    for fault in faults:
        print(f'FAIL {fault}')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
