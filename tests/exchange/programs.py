"""What the client tests share: running thornvale-text (from THORNVALE_TEXT) and reading its dump."""

import os
import subprocess

TEXT = os.environ["THORNVALE_TEXT"]


def run(*args, check=True, input=None):
    result = subprocess.run(list(args), capture_output=True, text=True, input=input)
    if check and result.returncode != 0:
        raise AssertionError(f"{args} exited {result.returncode}:\n{result.stdout}\n{result.stderr}")
    return result


def dump(image):
    """The image's rows by position, each as its dump's columns."""
    rows = run(TEXT, "dump", image).stdout.split("\n")[1:-1]
    return {int(r.split("\t")[0]): r.split("\t") for r in rows}
