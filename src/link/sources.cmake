# Sources of src/link
