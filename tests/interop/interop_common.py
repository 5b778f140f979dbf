"""What the interop scripts share: running programs, the corpus folder, GDAL's GeoJSON."""
import json
import os
import shutil
import subprocess
import sys

SKIP = 77
RUN_SECONDS = 120
CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared",
                      "corpus")


def run(command, cwd=None, env=None):
    """The finished process (text output); a run longer than RUN_SECONDS counts as failed."""
    try:
        return subprocess.run(command, cwd=cwd, env=env, capture_output=True, text=True,
                              errors="replace", check=False, timeout=RUN_SECONDS)
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(command, -1, "", "timed out")


def missing(tools=(), corpus=None):
    """Why a script has nothing to check (a tool or the corpus absent), or None."""
    for tool, package in tools:
        if shutil.which(tool) is None:
            return f"{tool} is not installed (Debian package {package})"
    if corpus is not None and not os.path.isdir(corpus):
        return f"no corpus folder at {corpus}"
    return None


def home(work, name="home"):
    """An environment whose VEXA_HOME (settings, registry) is a fresh folder in work."""
    folder = os.path.join(work, name)
    os.makedirs(folder, exist_ok=True)
    return dict(os.environ, VEXA_HOME=folder)


def gdal_features(source, work, env, sql=None):
    """The features of `ogr2ogr -f GeoJSON` (blocks expanded, block geometries kept apart)."""
    out = os.path.join(work, "gdal.geojson")
    if os.path.exists(out):
        os.remove(out)
    result = run(["ogr2ogr", "--config", "DXF_MERGE_BLOCK_GEOMETRIES", "FALSE", "-f", "GeoJSON",
                  out, source] + (["-sql", sql] if sql else []), work, env)
    if result.returncode != 0 or not os.path.exists(out):
        return None
    with open(out, encoding="utf-8", errors="replace") as handle:
        return json.load(handle)["features"]


def runs_of(geometry):
    """The coordinate runs (lines, polygon rings) of a geometry, as (x, y) lists."""
    if not geometry:
        return []
    kind, coordinates = geometry["type"], geometry.get("coordinates")
    flat = lambda run_: [(float(p[0]), float(p[1])) for p in run_]  # noqa: E731
    if kind == "LineString":
        return [flat(coordinates)]
    if kind in ("MultiLineString", "Polygon"):
        return [flat(r) for r in coordinates]
    if kind == "MultiPolygon":
        return [flat(r) for polygon in coordinates for r in polygon]
    if kind == "GeometryCollection":
        return [r for member in geometry["geometries"] for r in runs_of(member)]
    return []


def python_with_ezdxf(argv):
    """Runs the script again under /usr/bin/python3 (where the Debian package installs ezdxf)
    when this Python has no ezdxf and that one has; returns when there is nothing better."""
    try:
        import ezdxf  # noqa: F401 pylint: disable=import-outside-toplevel,unused-import
        return
    except ImportError:
        pass
    candidate = "/usr/bin/python3"
    if (os.path.exists(candidate)
            and os.path.realpath(candidate) != os.path.realpath(sys.executable)
            and run([candidate, "-c", "import ezdxf"]).returncode == 0):
        sys.stdout.flush()
        os.execv(candidate, [candidate, os.path.abspath(argv[0])] + argv[1:])
