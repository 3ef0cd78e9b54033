function args = withArgument(args, k, value)
%WITHARGUMENT The argument list args with argument k replaced by value.
  args{k} = value;
end
