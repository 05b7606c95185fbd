"""Every public name has a docstring of its own, and the stub
kelvara/__init__.pyi declares exactly the module's public names."""

import ast
import inspect
import pathlib

import kelvara

STUB = pathlib.Path(__file__).resolve().parents[1] / "kelvara" / "__init__.pyi"


def own_doc(obj):
    """The docstring without pybind11's generated signature line."""
    doc = (inspect.getdoc(obj) or "").strip()
    lines = doc.splitlines()
    if lines and lines[0].startswith(getattr(obj, "__name__", "\0") + "("):
        lines = lines[1:]
    return "\n".join(lines).strip()


def public_members(cls):
    return {m for m in vars(cls) if not m.startswith("_")}


def test_every_public_name_has_a_docstring():
    missing = []
    for name in kelvara.__all__:
        obj = getattr(kelvara, name)
        if name == "FORMATS":
            continue
        if not own_doc(obj):
            missing.append(name)
        if inspect.isclass(obj):
            missing += [f"{name}.{m}" for m in public_members(obj) if not own_doc(getattr(obj, m))]
    assert not missing
    assert "metres" in kelvara.Frame.points.__doc__ and "x left, y up, z forward" in kelvara.Frame.points.__doc__


def test_the_stub_declares_the_module():
    tree = ast.parse(STUB.read_text())
    top = {n.name for n in tree.body if isinstance(n, (ast.ClassDef, ast.FunctionDef))}
    top |= {n.target.id for n in tree.body if isinstance(n, ast.AnnAssign)}
    assert top == set(kelvara.__all__)
    for cls in (n for n in tree.body if isinstance(n, ast.ClassDef)):
        declared = {f.name for f in cls.body if isinstance(f, ast.FunctionDef) and not f.name.startswith("_")}
        assert declared == public_members(getattr(kelvara, cls.name)), cls.name
