// Placeholder until the archive records land.
