#!/usr/bin/python3
"""Rewrites the PP-OCR ONNX models into a form OpenCV 4.6's DNN importer accepts.

usage: prepare-ppocr-models.py DET_IN REC_IN OUT_DIR WIDTH...

OpenCV 4.6 refuses the models as shipped: it cannot take a Shape of a dynamic dimension, a Clip
whose bounds are inputs rather than attributes, or one-dimensional LayerNorm and bias constants
added to three-dimensional tensors. So the input shapes are fixed (the recogniser once per line
width: its sequence length follows from the width), Clip bounds become attributes and those
constants are broadcast to their full [1, T, C] shape.

The recogniser is also made cheaper to run, with the same results: OpenCV 4.6 runs a 5x5
depthwise convolution some forty times slower per tap than a 3x3 one, so each becomes four 3x3
ones summed, and the scalar scales and shifts around convolutions fold into their weights.
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


def scalar_input(graph_constants, node):
    """(index of the tensor input, scalar) when one input of `node` is a one-element constant."""
    for index, name in enumerate(node.input):
        value = graph_constants.get(name)
        if value is not None and value.size == 1 and len(node.input) == 2:
            return 1 - index, float(value.reshape(-1)[0])
    return None


class Graph:
    """Consumers and constant values of a graph, for local rewrites."""

    def __init__(self, graph):
        self.graph = graph
        self.constants = {i.name: numpy_helper.to_array(i) for i in graph.initializer}
        for node in graph.node:
            if node.op_type == "Constant":
                self.constants[node.output[0]] = numpy_helper.to_array(node.attribute[0].t)
        self.consumers = {}
        for node in graph.node:
            for name in node.input:
                self.consumers.setdefault(name, []).append(node)
        self.outputs = {output.name for output in graph.output}

    def only_consumer(self, name):
        users = self.consumers.get(name, [])
        return users[0] if len(users) == 1 and name not in self.outputs else None

    def set_constant(self, node, index, value):
        name = f"{node.name}_in{index}_folded{len(self.graph.initializer)}"
        self.graph.initializer.append(numpy_helper.from_array(value.astype(np.float32), name))
        self.constants[name] = value
        node.input[index] = name


def conv_weights(graph, node):
    weights = graph.constants.get(node.input[1])
    bias = graph.constants.get(node.input[2]) if len(node.input) > 2 else None
    if bias is None and weights is not None:
        bias = np.zeros(weights.shape[0], np.float32)
    return weights, bias


def fold_scale_shift_into_convs(model_graph):
    """Folds the scalar Mul/Add pairs around convolutions into their weights.

    After a Conv, `y * a + b` becomes part of its weights and bias. Before convolutions,
    `x * c` folds into their weights, and `+ d` into their bias when they pad nothing (a padded
    border would see 0, not d).
    """
    graph = Graph(model_graph)
    removed = set()
    for node in model_graph.node:
        if node.op_type != "Conv" or node.name in removed:
            continue
        weights, bias = conv_weights(graph, node)
        if weights is None:
            continue
        scale, shift, last = 1.0, 0.0, None
        mul = graph.only_consumer(node.output[0])
        if mul is not None and mul.op_type == "Mul" and scalar_input(graph.constants, mul):
            scale = scalar_input(graph.constants, mul)[1]
            last = mul
            add = graph.only_consumer(mul.output[0])
            if add is not None and add.op_type == "Add" and scalar_input(graph.constants, add):
                shift = scalar_input(graph.constants, add)[1]
                last = add
        if last is None:
            continue
        graph.set_constant(node, 1, weights * scale)
        new_bias = bias * scale + shift
        if len(node.input) > 2:
            graph.set_constant(node, 2, new_bias)
        else:
            node.input.append("")
            graph.set_constant(node, 2, new_bias)
        removed.update({mul.name, last.name})
        node.output[0] = last.output[0]
    folded_after = len(removed)
    # Before convolutions.
    graph = Graph(model_graph)
    for mul in model_graph.node:
        if mul.op_type != "Mul" or mul.name in removed or not scalar_input(graph.constants, mul):
            continue
        index, scale = scalar_input(graph.constants, mul)
        source = mul.input[index]
        add = graph.only_consumer(mul.output[0])
        shift, last = 0.0, mul
        if add is not None and add.op_type == "Add" and scalar_input(graph.constants, add):
            shift, last = scalar_input(graph.constants, add)[1], add
        convs = graph.consumers.get(last.output[0], [])
        if not convs or last.output[0] in graph.outputs or any(
                c.op_type != "Conv" or c.input[0] != last.output[0] or graph.constants.get(c.input[1]) is None
                for c in convs):
            continue
        unpadded = all(not any(helper.get_attribute_value(a) for a in c.attribute if a.name == "pads")
                       for c in convs)
        for conv in convs:
            weights, bias = conv_weights(graph, conv)
            graph.set_constant(conv, 1, weights * scale)
            if shift and unpadded:
                new_bias = bias + shift * weights.sum(axis=(1, 2, 3))
                if len(conv.input) < 3:
                    conv.input.append("")
                graph.set_constant(conv, 2, new_bias)
        removed.add(mul.name)
        if last is add and unpadded:
            removed.add(add.name)
            for conv in convs:
                conv.input[0] = source
        elif last is add:
            # c * x + d = c * (x + d / c): the scale is in the weights now.
            constant_index = 1 - scalar_input(graph.constants, add)[0]
            graph.set_constant(add, constant_index, np.array([shift / scale], np.float32))
            add.input[1 - constant_index] = source
        else:
            for conv in convs:
                conv.input[0] = source
    kept = [node for node in model_graph.node if node.name not in removed]
    del model_graph.node[:]
    model_graph.node.extend(kept)
    return folded_after, len(removed) - folded_after


def merge_divisions_into_scales(model_graph):
    """`x / k * c` is `x * (c / k)`: one pass less, and the scale can then fold into a convolution."""
    graph = Graph(model_graph)
    removed = set()
    for div in model_graph.node:
        divisor = graph.constants.get(div.input[1]) if div.op_type == "Div" else None
        if divisor is None or divisor.size != 1:
            continue
        mul = graph.only_consumer(div.output[0])
        if mul is None or mul.op_type != "Mul" or not scalar_input(graph.constants, mul):
            continue
        index, scale = scalar_input(graph.constants, mul)
        graph.set_constant(mul, 1 - index, np.array([scale / float(divisor.reshape(-1)[0])], np.float32))
        mul.input[index] = div.input[0]
        removed.add(div.name)
    kept = [node for node in model_graph.node if node.name not in removed]
    del model_graph.node[:]
    model_graph.node.extend(kept)
    return len(removed)


def tensor_source(graph, name):
    """The initializer or Constant node holding `name`, as (array, setter)."""
    for initializer in graph.initializer:
        if initializer.name == name:
            return numpy_helper.to_array(initializer)
    for node in graph.node:
        if node.op_type == "Constant" and node.output[0] == name:
            return numpy_helper.to_array(node.attribute[0].t)
    return None


def split_depthwise_5x5(graph):
    """Replaces each 5x5 depthwise Conv by the sum of four 3x3 ones."""
    replaced = 0
    nodes = list(graph.node)
    del graph.node[:]
    for node in nodes:
        attrs = {a.name: helper.get_attribute_value(a) for a in node.attribute}
        weights = tensor_source(graph, node.input[1]) if node.op_type == "Conv" else None
        if (weights is None or list(attrs.get("kernel_shape", [])) != [5, 5]
                or attrs.get("group", 1) != weights.shape[0] or weights.shape[1] != 1
                or list(attrs.get("pads", [])) != [2, 2, 2, 2]
                or list(attrs.get("dilations", [1, 1])) != [1, 1]):
            graph.node.append(node)
            continue
        # Rows (and columns) 0-2 of the kernel reach offsets -2..0: a 3x3 kernel padded 2 before.
        # Rows 3-4 reach +1..+2: a 3x3 kernel whose first row is 0, padded 2 after.
        parts = []
        for low_rows in (True, False):
            for low_cols in (True, False):
                kernel = np.zeros((weights.shape[0], 1, 3, 3), np.float32)
                rows = (slice(0, 3), slice(0, 3)) if low_rows else (slice(1, 3), slice(3, 5))
                cols = (slice(0, 3), slice(0, 3)) if low_cols else (slice(1, 3), slice(3, 5))
                kernel[:, :, rows[0], cols[0]] = weights[:, :, rows[1], cols[1]]
                name = f"{node.name}_part{len(parts)}"
                graph.initializer.append(numpy_helper.from_array(kernel, name + "_w"))
                inputs = [node.input[0], name + "_w"]
                if not parts and len(node.input) > 2:
                    inputs.append(node.input[2])
                pads = [2 if low_rows else 0, 2 if low_cols else 0, 0 if low_rows else 2, 0 if low_cols else 2]
                graph.node.append(helper.make_node(
                    "Conv", inputs, [name], name=name, kernel_shape=[3, 3], group=attrs["group"],
                    strides=list(attrs.get("strides", [1, 1])), pads=pads))
                parts.append(name)
        graph.node.append(helper.make_node("Sum", parts, [node.output[0]], name=node.name + "_sum"))
        replaced += 1
    return replaced


def drop_final_softmax(graph):
    """The reader turns the last scores into probabilities itself, in a tenth of OpenCV's time."""
    outputs = {output.name for output in graph.output}
    for index, node in enumerate(graph.node):
        if node.op_type == "Softmax" and node.output[0] in outputs:
            for consumer in graph.node:
                for slot, name in enumerate(consumer.output):
                    if name == node.input[0]:
                        consumer.output[slot] = node.output[0]
            del graph.node[index]
            return True
    return False


def drop_unused_constants(graph):
    """Weights replaced by folded or split copies would otherwise stay in the file."""
    used = {name for node in graph.node for name in node.input} | {output.name for output in graph.output}
    kept = [node for node in graph.node if node.op_type != "Constant" or node.output[0] in used]
    del graph.node[:]
    graph.node.extend(kept)
    initializers = [initializer for initializer in graph.initializer if initializer.name in used]
    del graph.initializer[:]
    graph.initializer.extend(initializers)


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
    merge_divisions_into_scales(det.graph)
    fold_scale_shift_into_convs(det.graph)
    split_depthwise_5x5(det.graph)
    drop_unused_constants(det.graph)
    onnx.save(det, os.path.join(out_dir, "det.onnx"))

    for width in widths:
        if width % 8:
            raise SystemExit(f"width {width} is not a multiple of 8")
        rec = onnx.load(rec_in)
        fix_input_shape(rec, [1, 3, 48, width])
        fold_clip_bounds(rec.graph)
        merge_divisions_into_scales(rec.graph)
        fold_scale_shift_into_convs(rec.graph)
        split_depthwise_5x5(rec.graph)
        if not drop_final_softmax(rec.graph):
            raise SystemExit("recogniser: no final Softmax; not the expected model")
        if broadcast_sequence_constants(rec.graph, width // 8) == 0:
            raise SystemExit("recogniser: no sequence constants found; not the expected model")
        drop_unused_constants(rec.graph)
        onnx.save(rec, os.path.join(out_dir, f"rec-{width}.onnx"))


if __name__ == "__main__":
    main()
