function a = withElement(a, k, value)
%WITHELEMENT The array a with element k replaced by value.
  a(k) = value;
end
