// Replaced as the editor is built.
