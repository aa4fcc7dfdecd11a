#!/usr/bin/env python3
"""Validates the results kivo-cli writes for the example against the documented JSON schema.

usage: results_schema_check.py KIVO_CLI EXAMPLE.SIM SCHEMA.json
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

import jsonschema


def main():
    cli, example, schema_path = sys.argv[1:4]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    with tempfile.TemporaryDirectory() as tmp:
        sim = os.path.join(tmp, os.path.basename(example))
        shutil.copyfile(example, sim)
        out = os.path.join(tmp, "results.json")
        env = dict(os.environ, KIVO_INI=os.path.join(tmp, "kivo.ini"))
        # A tolerance in the settings file gives every element a verdict.
        with open(env["KIVO_INI"], "w", encoding="ascii") as f:
            f.write("[display]\ntolerance=0.0002\n")
        subprocess.run([cli, "calculate", sim, "--json", out], check=True, env=env, stdout=subprocess.DEVNULL)
        with open(out, encoding="utf-8") as f:
            results = json.load(f)
    jsonschema.Draft202012Validator(schema).validate(results)
    verdicts = {e["verdict"] for e in results["elements"] if e["kind"] != "scalebar-end"}
    if not verdicts <= {"within", "outside", "left-out"} or not verdicts:
        sys.exit("unexpected verdicts: %r" % verdicts)
    print("results of %d elements valid against %s" % (len(results["elements"]), os.path.basename(schema_path)))


if __name__ == "__main__":
    main()
