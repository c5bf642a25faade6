# Sources of src/net
