function options = nameValueOptions(options, args, caller)
%NAMEVALUEOPTIONS Name, value pairs (names in any case) over a struct of defaults.
%   Checks the names only; the caller checks the values.
names = fieldnames(options);
if mod(numel(args), 2) ~= 0
    error(['pairseek:' caller ':options'], 'options must come in name, value pairs; got %d extra arguments', ...
          numel(args));
end
for k = 1:2:numel(args)
    name = args{k};
    if ~ischar(name) || ~any(strcmpi(name, names))
        error(['pairseek:' caller ':options'], 'unknown option; expected one of %s', strjoin(names', ', '));
    end
    options.(names{strcmpi(name, names)}) = args{k + 1};
end
end
