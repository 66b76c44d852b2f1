// Intentionally empty: the layer link check needs one source of its own.
