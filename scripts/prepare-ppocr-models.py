#!/usr/bin/python3
"""Rewrites the PP-OCR ONNX models into a form OpenCV 4.6's DNN importer accepts.

usage: prepare-ppocr-models.py DET_IN REC_IN OUT_DIR WIDTH...

OpenCV 4.6 refuses the models as shipped: it cannot take a Shape of a dynamic dimension, a Clip
whose bounds are inputs rather than attributes, or one-dimensional LayerNorm and bias constants
added to three-dimensional tensors. So the input shapes are fixed (the recogniser once per line
width: its sequence length follows from the width), Clip bounds become attributes and those
constants are broadcast to their full [1, T, C] shape.
"""
import os
import sys

import numpy as np
import onnx
from onnx import helper, numpy_helper


def constant_value(graph, name):
    for node in graph.node:
        if node.op_type == "Constant" and node.output[0] == name:
            return numpy_helper.to_array(node.attribute[0].t)
    for initializer in graph.initializer:
        if initializer.name == name:
            return numpy_helper.to_array(initializer)
    raise SystemExit(f"Clip bound {name} is not a constant")


def fold_clip_bounds(graph):
    for node in graph.node:
        if node.op_type != "Clip" or len(node.input) < 2:
            continue
        for attribute, name in zip(("min", "max"), list(node.input)[1:3]):
            if name:
                node.attribute.append(helper.make_attribute(attribute, float(constant_value(graph, name))))
        del node.input[1:]


def fix_input_shape(model, shape):
    dims = model.graph.input[0].type.tensor_type.shape.dim
    for dim, value in zip(dims, shape):
        dim.Clear()
        dim.dim_value = value


def broadcast_sequence_constants(graph, steps):
    """Gives 1-D constants added to or multiplying [1, T, C] tensors their full shape."""
    constants = {node.output[0]: node for node in graph.node if node.op_type == "Constant"}
    count = 0
    for node in graph.node:
        if node.op_type not in ("Add", "Mul"):
            continue
        for index, name in enumerate(node.input):
            if name not in constants:
                continue
            value = numpy_helper.to_array(constants[name].attribute[0].t)
            if value.ndim != 1 or value.size < 2:
                continue
            full = np.ascontiguousarray(np.broadcast_to(value, (1, steps, value.size)))
            new_name = f"{name}_full_{index}"
            graph.node.insert(0, helper.make_node(
                "Constant", [], [new_name], value=numpy_helper.from_array(full, new_name)))
            node.input[index] = new_name
            count += 1
    return count


def main():
    if len(sys.argv) < 5:
        raise SystemExit(__doc__)
    det_in, rec_in, out_dir = sys.argv[1:4]
    widths = [int(w) for w in sys.argv[4:]]
    os.makedirs(out_dir, exist_ok=True)

    det = onnx.load(det_in)
    # Any size works once the dimensions are fixed; the detector is reshaped per picture.
    fix_input_shape(det, [1, 3, 640, 640])
    fold_clip_bounds(det.graph)
    onnx.save(det, os.path.join(out_dir, "det.onnx"))

    for width in widths:
        if width % 8:
            raise SystemExit(f"width {width} is not a multiple of 8")
        rec = onnx.load(rec_in)
        fix_input_shape(rec, [1, 3, 48, width])
        fold_clip_bounds(rec.graph)
        if broadcast_sequence_constants(rec.graph, width // 8) == 0:
            raise SystemExit("recogniser: no sequence constants found; not the expected model")
        onnx.save(rec, os.path.join(out_dir, f"rec-{width}.onnx"))


if __name__ == "__main__":
    main()
