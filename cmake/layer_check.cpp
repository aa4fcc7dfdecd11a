// The link check of one layer: the layer's objects are linked whole around this empty program, so
// every reference they make must be met by the layer itself or the layers it declares.
int main() {
    return 0;
}
