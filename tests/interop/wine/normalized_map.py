#!/usr/bin/env python3
"""Prints a map document with its object ids renumbered 1, 2, ... in the order of their values.

Object ids are handles of the host that wrote the document: two builds that number their windows
and memory blocks differently give the same objects other ids, in the same order. Everything else
is printed as read, keys sorted, so that two documents of the same map print the same text.
Usage: normalized_map.py MAP.json   (prints "none" when the file does not exist)
"""
import json
import os
import sys


def main(path):
    if not os.path.exists(path):
        print("none")
        return
    with open(path, "rb") as stream:
        document = json.loads(stream.read())
    objects = [o for layer in document.get("layers", []) for o in layer.get("objects", [])]
    groups = document.get("groups", [])
    ids = sorted({item["id"] for item in objects + groups})
    rank = {value: index + 1 for index, value in enumerate(ids)}
    for item in objects + groups:
        item["id"] = rank[item["id"]]
    for group in groups:
        group["members"] = [rank.get(member, member) for member in group.get("members", [])]
    print(json.dumps(document, sort_keys=True, indent=0))


if __name__ == "__main__":
    main(sys.argv[1])
