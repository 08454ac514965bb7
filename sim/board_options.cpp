// placeholder: the simulator engine lands here
